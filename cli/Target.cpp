#include "cli/Target.h"

#include <regex>

#include "app/DeviceScan.h"
#include "base/TextFormat.h"
#include "devices/CreateDevice.h"
#include "devices/InquiryData.h"
#include "scsi/ASPI32.h"
#include "scsi/Commands.h"
#include "host/os/Platform.h"

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
  if (!target.address) target.path = text;
  return target;
}

std::string Target::Describe() const {
  if (!address) return path;
  return FormatText("%d,%d,%d", address->ha, address->id, address->lun);
}

std::unique_ptr<SCSIDEV> OpenDevice(const ScsiAddress& address) {
  CreatedDevice created = CreateDevice(address.ha, address.id, address.lun);
  if (!created.found) {
    host::WriteStderr(FormatText("No device answers at %d,%d,%d.\n", address.ha, address.id, address.lun));
    return nullptr;
  }
  return std::move(created.device);
}

std::unique_ptr<SCSIDEV> OpenDeviceAs(const ScsiAddress& address, Role role) {
  INQUIRYDATA inquiry;
  int status = 0;
  {
    ASPI32 channel;
    status = scsi::Inquiry(channel, address.ha, address.id, address.lun, inquiry.Data());
  }
  if (status == aspi::SS_NO_DEVICE || status == aspi::SS_INVALID_HA) return OpenDevice(address);
  bool fits = false;
  const char* wanted = "";
  DvdrProbe writer;
  switch (role) {
    case Role::WriteSource:
      fits = IsWritePageSource(inquiry);
      wanted = "a disk or CD/DVD drive";
      break;
    case Role::Writer:
      writer = CheckWritePageDestination(inquiry, address.ha, address.id, address.lun);
      fits = writer.answer == DvdrAnswer::Writer;
      wanted = "one of the maker's writers";
      break;
    case Role::CopySource:
      fits = IsCopyPageSource(inquiry);
      wanted = "a disk, optical memory or CD/DVD drive";
      break;
    case Role::CopyDestination:
      fits = IsCopyPageDestination(inquiry);
      wanted = "a disk or optical memory";
      break;
  }
  if (!fits) {
    // A writer that could not be asked is not said to be no writer.
    std::string at = FormatText("%d,%d,%d", address.ha, address.id, address.lun);
    if (writer.answer == DvdrAnswer::NotReady)
      host::WriteStderr(FormatText("%s is not ready (%X-%02X-%02X: %s). Please try again when it is ready.\n",
                                   at.c_str(), writer.sense.key, writer.sense.asc, writer.sense.ascq,
                                   writer.senseText.c_str()));
    else if (writer.answer == DvdrAnswer::ManagerBusy)
      host::WriteStderr(at + " could not be asked: the SCSI manager was busy. Please try again.\n");
    else
      host::WriteStderr(at + " is not " + wanted + ".\n");
    return nullptr;
  }
  return OpenDevice(address);
}
