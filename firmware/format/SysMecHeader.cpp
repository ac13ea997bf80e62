// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/format/SysMecHeader.h"

#include <algorithm>
#include <cstring>

#include "host/aspi/BigEndian.h"

namespace {

constexpr size_t kVersionOffset = 46;
constexpr size_t kSysMarkerOffset = 58;
constexpr size_t kMecMarkerOffset = 77;
constexpr char kSysMarker[] = "QXW-7100SYS";
constexpr char kMecMarker[] = "QXW-7100MEC";
constexpr size_t kMarkerLength = sizeof kSysMarker - 1;

// The size and position that follow a part's marker.
FirmwarePart PartAfter(const std::array<uint8_t, SysMecHeader::kSize>& bytes, size_t markerOffset) {
  const uint8_t* numbers = bytes.data() + markerOffset + kMarkerLength;
  return FirmwarePart{aspi::GetBE32(numbers), aspi::GetBE32(numbers + 4)};
}

}  // namespace

std::string SysMecHeader::Version() const {
  return std::string(reinterpret_cast<const char*>(bytes.data()) + kVersionOffset, 4);
}

bool SysMecHeader::HasPartMarkers() const {
  return std::memcmp(bytes.data() + kSysMarkerOffset, kSysMarker, kMarkerLength) == 0 &&
         std::memcmp(bytes.data() + kMecMarkerOffset, kMecMarker, kMarkerLength) == 0;
}

FirmwarePart SysMecHeader::Sys() const { return PartAfter(bytes, kSysMarkerOffset); }

FirmwarePart SysMecHeader::Mec() const { return PartAfter(bytes, kMecMarkerOffset); }

bool ReadSysMecHeader(FirmwareBytes file, SysMecHeader& header) {
  header.bytes.fill(0);
  if (file.size() < SysMecHeader::kSize) return false;
  std::copy_n(file.begin(), SysMecHeader::kSize, header.bytes.begin());
  return true;
}

std::string SysMecLayoutProblem(const SysMecHeader& header, uint64_t fileSize) {
  std::string problem = PartProblem("The SYS part", header.Sys(), fileSize, SysMecHeader::kSize, kSysReadBackBase);
  if (problem.empty())
    problem = PartProblem("The MEC part", header.Mec(), fileSize, SysMecHeader::kSize, kMecReadBackBase);
  return problem;
}
