// SPDX-License-Identifier: GPL-3.0-or-later
// CheckHeader: what a source holds before a write or a copy starts: how many
// bytes form the volume, where it begins inside the source and its name. The
// source is an image file or a SCSI device; nothing is ever written to it.
// The candidate sizes go to the volume size choice, whose preselection becomes
// the volume size.
#pragma once

#include <cstdint>
#include <string>

class VolSizeChoice;
class SCSIDEV;

// The largest volume whose count of 2048-byte sectors fits 32 bits, as the
// LB count, the device commands and the writer's reservation hold it.
inline constexpr uint64_t kLargestVolumeBytes = uint64_t{0xFFFFFFFF} * 2048;

// bytes in 2048-byte sectors, rounded up; 0xFFFFFFFF when the count does
// not fit 32 bits (such a volume is refused when an operation starts).
uint32_t LbCountOf(uint64_t bytes);

struct VolumeInfo {
  std::string volumeName;   // ISO volume identifier; 32 blanks without ISO
  uint32_t lbCount = 0;     // LbCountOf(volumeSize)
  uint64_t volumeSize = 0;  // bytes to transfer
  uint32_t volumeOffset = 0;
  // What the volume's own file system declares when the source holds less
  // (an image cut short); 0 otherwise. A write or copy asks before it takes
  // such a source.
  uint64_t declaredSize = 0;
};

// "<source>: <bytes> bytes of a volume that declares <declared> bytes. The
// source may have been cut short."
std::string ShortSourceText(const std::string& source, uint64_t bytes, uint64_t declared);

bool CheckHeader(const std::string& fileName, VolSizeChoice& sizes, VolumeInfo& info);
bool CheckHeader(SCSIDEV& device, VolSizeChoice& sizes, VolumeInfo& info);
