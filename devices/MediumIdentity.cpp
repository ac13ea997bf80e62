// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/MediumIdentity.h"

#include <array>
#include <span>

#include "base/Log.h"
#include "base/TextFormat.h"
#include "devices/DiscState.h"
#include "devices/MmcFeatures.h"
#include "devices/SCSIDEV.h"
#include "host/aspi/ScsiVocabulary.h"

namespace {

constexpr uint8_t kPreRecordedFormat = aspi::structure::kPreRecorded;
constexpr uint8_t kAdipFormat = aspi::structure::kAdip;
constexpr uint16_t kReplyLength = 2052;
constexpr size_t kHeader = 4;  // the structure's data length and two reserved bytes

// The printable part of a field, trailing blanks and NULs cut.
std::string FieldText(std::span<const uint8_t> field) {
  std::string text;
  for (uint8_t byte : field) text += (byte >= 0x20 && byte < 0x7F) ? static_cast<char>(byte) : ' ';
  while (!text.empty() && text.back() == ' ') text.pop_back();
  size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first);
}

bool ReadStructure(SCSIDEV& device, uint8_t format, std::array<uint8_t, kReplyLength>& reply) {
  reply.fill(0);
  return device.ReadDvdStructure(format, reply.data(), kReplyLength) == aspi::SS_COMP && device.GetSense();
}

// DVD-R/RW: fields of eight bytes; field 2 (at 8) and field 3 (at 16) carry
// six characters each of the manufacturer ID after their field ID byte.
void FromPreRecorded(const std::array<uint8_t, kReplyLength>& reply, MediumIdentity& identity) {
  const uint8_t* data = reply.data() + kHeader;
  if (data[8] != 2 || data[16] != 3) return;
  identity.manufacturer = FieldText({data + 9, 6}) + FieldText({data + 17, 6});
}

// DVD+R: ADIP bytes 19-26 the disc manufacturer ID, 27-29 the media type ID.
void FromAdip(const std::array<uint8_t, kReplyLength>& reply, MediumIdentity& identity) {
  const uint8_t* data = reply.data() + kHeader;
  identity.manufacturer = FieldText({data + 19, 8});
  identity.mediaType = FieldText({data + 27, 3});
}

}  // namespace

std::string MediumIdentity::Text() const {
  if (!read) return "";
  return mediaType.empty() ? manufacturer : manufacturer + "/" + mediaType;
}

MediumIdentity ReadMediumIdentity(SCSIDEV& device) {
  MediumIdentity identity;
  MmcFeatures features = ReadMmcFeatures(device);
  uint16_t number = features.currentProfile;
  std::array<uint8_t, kReplyLength> reply{};
  if (features.answered && number != profile::kNone) identity.medium = ProfileName(number);
  bool plus = number == profile::kDvdPlusR || number == profile::kDvdPlusRw ||
              number == profile::kDvdPlusRDualLayer || number == profile::kDvdPlusRwDualLayer;
  bool minus = number == profile::kDvdR || number == profile::kDvdRw || number == profile::kDvdRwOverwrite ||
               number == profile::kDvdRDualLayer || number == profile::kDvdRDualLayerJump;
  if (plus && ReadStructure(device, kAdipFormat, reply)) FromAdip(reply, identity);
  if (minus && ReadStructure(device, kPreRecordedFormat, reply)) FromPreRecorded(reply, identity);
  identity.read = !identity.manufacturer.empty();
  AddLog(FormatText("[ReadMediumIdentity] %d,%d,%d: %s", device.HostAdapter(), device.TargetId(), device.Lun(),
                    identity.read ? identity.Text().c_str() : "not given"));
  return identity;
}
