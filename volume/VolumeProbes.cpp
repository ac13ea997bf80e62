// SPDX-License-Identifier: GPL-3.0-or-later
#include "volume/VolumeProbes.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "base/Log.h"
#include "base/NumberText.h"

namespace {

constexpr std::string_view kMidSignature = "[ Mastering Information Descriptor ]";
constexpr std::string_view kMidIndex = "Index = MAINdata( ";
constexpr uint8_t kIsoSignature[8] = {0x01, 'C', 'D', '0', '0', '1', 0x01, 0x00};
constexpr uint16_t kUdfAnchorTag = 2;
constexpr uint16_t kUdfPartitionTag = 5;

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
uint32_t Be32(const uint8_t* p) {
  return static_cast<uint32_t>(p[3]) | static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[0]) << 24;
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

bool TagChecksumValid(const uint8_t* tag) {
  unsigned sum = 0;
  for (int i = 0; i < 16; ++i) {
    if (i != 4) sum += tag[i];
  }
  return (sum & 0xFF) == tag[4];
}

}  // namespace

bool HasMid(const uint8_t* buffer, uint32_t length) {
  return length >= kMidSignature.size() && std::memcmp(buffer, kMidSignature.data(), kMidSignature.size()) == 0;
}

uint64_t ParseMidIndex(const uint8_t* buffer, uint32_t length, uint64_t& midSize) {
  midSize = 0;
  std::string_view text(reinterpret_cast<const char*>(buffer), length);
  size_t found = text.find(kMidIndex);
  if (found == std::string_view::npos) return 0;
  uint64_t start = 0;
  if (!ScanNumber(text.substr(found + kMidIndex.size()), start)) return 0;
  // The size follows the first comma after the index text; a start written
  // with thousands commas makes the size be read from inside the start.
  size_t comma = text.find(',', found);
  if (comma != std::string_view::npos) {
    uint64_t size = 0;
    if (ScanNumber(text.substr(comma + 1), size)) midSize = size;
  }
  // A start above 2^49 would overflow; it is absurd for any source anyway.
  return start > (UINT64_MAX / kProbeBlock) ? UINT64_MAX : start * kProbeBlock;
}

bool GetIsoVolumeInfo(const uint8_t* sector, std::string& volumeName, uint64_t& isoSize) {
  AddLog(PrintDataBuffer(sector, kSector, "ISO PVD"));
  isoSize = 0;
  uint32_t blocks = Le32(sector + 80);
  bool valid = std::memcmp(sector, kIsoSignature, sizeof kIsoSignature) == 0 && blocks == Be32(sector + 84) &&
               blocks != 0;
  if (!valid) {
    volumeName.assign(32, ' ');
    return false;
  }
  char name[33] = {};
  std::memcpy(name, sector + 40, 32);
  for (int i = 31; i > 0 && name[i] == ' '; --i) name[i] = '\0';
  volumeName = name;
  isoSize = static_cast<uint64_t>(blocks) * kSector;
  return true;
}

bool IsUdfAnchor(const uint8_t* sector) { return Le16(sector) == kUdfAnchorTag && TagChecksumValid(sector); }

uint32_t UdfSequenceLocation(const uint8_t* anchor) { return Le32(anchor + 20); }

bool GetUdfVolumeInfo(const uint8_t* sequence, uint64_t& udfSize) {
  AddLog(PrintDataBuffer(sequence, kProbeBlock, "UDF VOL"));
  uint64_t end = 0;
  for (uint32_t at = 0; at < kProbeBlock; at += kSector) {
    const uint8_t* sector = sequence + at;
    if (Le16(sector) == kUdfPartitionTag) {
      // Summed in 64 bits: a start and length near 2^32 must not wrap to a
      // small, plausible size.
      end = static_cast<uint64_t>(Le32(sector + 188)) + Le32(sector + 192);
    }
  }
  udfSize = end * kSector;
  return end != 0;
}
