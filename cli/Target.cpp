// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Target.h"

#include <regex>

#include "base/TextFormat.h"
#include "host/os/Platform.h"
#include "scsi/AspiManager.h"

namespace {

bool NamesDeviceNode(const std::string& text) {
  static const std::regex kNode("^/dev/s[gr][0-9]+$");
  return std::regex_match(text, kNode);
}

}  // namespace

std::optional<ScsiAddress> ParseAddress(const std::string& text) {
  static const std::regex kAddress("^(\\d{1,3}),(\\d{1,3}),(\\d{1,3})$");
  std::smatch match;
  if (!std::regex_match(text, match, kAddress)) return std::nullopt;
  int ha = std::stoi(match[1]), id = std::stoi(match[2]), lun = std::stoi(match[3]);
  if (ha > 255 || id > 255 || lun > 255) return std::nullopt;
  return ScsiAddress{static_cast<uint8_t>(ha), static_cast<uint8_t>(id), static_cast<uint8_t>(lun)};
}

Target ParseTarget(const std::string& text) {
  Target target;
  target.address = ParseAddress(text);
  if (target.address) return target;
  if (NamesDeviceNode(text)) {
    target.address = AspiUnitAtNode(text);
    if (!target.address)
      target.error = text + " is no unit of the SCSI manager in use. Device nodes name drives with --manager sg; "
                            "\"marrowlight-cli --manager sg scan\" lists them.";
    return target;
  }
  target.path = text;
  return target;
}

std::optional<ScsiAddress> ParseDeviceArgument(const std::string& text, const char* what) {
  Target target = ParseTarget(text);
  if (!target.error.empty()) {
    host::WriteStderr(target.error + "\n");
    return std::nullopt;
  }
  if (!target.IsDevice()) {
    host::WriteStderr(std::string(what) + " is a SCSI address written HA,ID,LUN, such as 0,4,0 (or /dev/sgN, /dev/srN "
                                          "with --manager sg).\n");
    return std::nullopt;
  }
  return target.address;
}

std::string Target::Describe() const {
  if (!address) return path;
  return AddressText(*address);
}

std::unique_ptr<SCSIDEV> OpenDevice(const ScsiAddress& address) {
  std::string refusal;
  auto device = OpenAny(address, &refusal);
  if (!device) host::WriteStderr(refusal + "\n");
  return device;
}

std::unique_ptr<SCSIDEV> OpenDeviceAs(const ScsiAddress& address, AddressRole role) {
  std::string refusal;
  auto device = OpenForRole(address, role, &refusal);
  if (!device) host::WriteStderr(refusal + "\n");
  return device;
}

std::unique_ptr<SCSIDEV> OpenWriterArgument(const std::string& text) {
  auto address = ParseDeviceArgument(text, "A writer");
  if (!address) return nullptr;
  return OpenDeviceAs(*address, AddressRole::Writer);
}
