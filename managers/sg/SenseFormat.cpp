// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/sg/SenseFormat.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "host/aspi/BigEndian.h"

namespace sg {
namespace {

// Response codes (byte 0, bits 0-6).
constexpr uint8_t kFixedCurrent = 0x70;
constexpr uint8_t kFixedDeferred = 0x71;
constexpr uint8_t kDescriptorCurrent = 0x72;
constexpr uint8_t kDescriptorDeferred = 0x73;
constexpr uint8_t kValidBit = 0x80;

// Descriptor types.
constexpr uint8_t kInformation = 0x00;
constexpr uint8_t kCommandSpecific = 0x01;
constexpr uint8_t kSenseKeySpecific = 0x02;
constexpr uint8_t kFieldReplaceableUnit = 0x03;
constexpr uint8_t kStreamCommands = 0x04;
constexpr uint8_t kBlockCommands = 0x05;
constexpr uint8_t kStreamFlags = 0xE0;  // filemark, end of medium, incorrect length
constexpr uint8_t kIncorrectLength = 0x20;

// Fixed-format fields.
constexpr size_t kFixedInformation = 3;
constexpr size_t kFixedAdditionalLength = 7;
constexpr size_t kFixedCommandSpecific = 8;
constexpr size_t kFixedAsc = 12;
constexpr size_t kFixedAscq = 13;
constexpr size_t kFixedFru = 14;
constexpr size_t kFixedSenseKeySpecific = 15;

constexpr size_t kDescriptorListStart = 8;

std::array<uint8_t, kFixedSenseLength> FromDescriptors(const uint8_t* in, size_t length) {
  std::array<uint8_t, kFixedSenseLength> fixed{};
  fixed[0] = (in[0] & 0x7F) == kDescriptorDeferred ? kFixedDeferred : kFixedCurrent;
  fixed[2] = length > 1 ? in[1] & 0x0F : 0;
  fixed[kFixedAsc] = length > 2 ? in[2] : 0;
  fixed[kFixedAscq] = length > 3 ? in[3] : 0;
  fixed[kFixedAdditionalLength] = kFixedSenseLength - 8;
  size_t end = length > kFixedAdditionalLength ? std::min(length, kDescriptorListStart + in[kFixedAdditionalLength]) : 0;
  for (size_t at = kDescriptorListStart; at + 2 <= end;) {
    const uint8_t* descriptor = in + at;
    const size_t size = 2 + descriptor[1];
    if (at + size > end) break;
    switch (descriptor[0]) {
      case kInformation: {
        if (size < 12) break;
        const uint64_t information = aspi::GetBigEndian<8>(descriptor + 4);
        if ((descriptor[2] & kValidBit) && information <= UINT32_MAX) {
          fixed[0] |= kValidBit;
          aspi::PutBE32(&fixed[kFixedInformation], static_cast<uint32_t>(information));
        }
        break;
      }
      case kCommandSpecific:
        if (size >= 12) aspi::PutBE32(&fixed[kFixedCommandSpecific], static_cast<uint32_t>(aspi::GetBigEndian<8>(descriptor + 4)));
        break;
      case kSenseKeySpecific:
        if (size >= 7) std::memcpy(&fixed[kFixedSenseKeySpecific], descriptor + 4, 3);
        break;
      case kFieldReplaceableUnit:
        if (size >= 4) fixed[kFixedFru] = descriptor[3];
        break;
      case kStreamCommands:
        if (size >= 4) fixed[2] |= descriptor[3] & kStreamFlags;
        break;
      case kBlockCommands:
        if (size >= 4) fixed[2] |= descriptor[3] & kIncorrectLength;
        break;
      default:
        break;
    }
    at += size;
  }
  return fixed;
}

}  // namespace

size_t ToFixedSense(const uint8_t* in, size_t length, uint8_t* out, size_t outRoom) {
  if (length == 0 || outRoom == 0) return 0;
  const uint8_t code = in[0] & 0x7F;
  if (code == kDescriptorCurrent || code == kDescriptorDeferred) {
    const auto fixed = FromDescriptors(in, length);
    const size_t count = std::min(fixed.size(), outRoom);
    std::memcpy(out, fixed.data(), count);
    return count;
  }
  const size_t count = std::min(length, outRoom);
  std::memcpy(out, in, count);
  return count;
}

}  // namespace sg
