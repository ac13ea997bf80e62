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

struct VolumeInfo {
  std::string volumeName;   // ISO volume identifier; 32 blanks without ISO
  uint32_t lbCount = 0;     // volume size in 2048-byte sectors, rounded up
  uint64_t volumeSize = 0;  // bytes to transfer
  uint32_t volumeOffset = 0;
};

bool CheckHeader(const std::string& fileName, VolSizeChoice& sizes, VolumeInfo& info);
bool CheckHeader(SCSIDEV& device, VolSizeChoice& sizes, VolumeInfo& info);
