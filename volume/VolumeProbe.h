// SPDX-License-Identifier: GPL-3.0-or-later
// The probe sequence shared by both forms of the volume check: MID, ISO 9660
// descriptor, UDF anchor, partition descriptors and the trailing anchor, read
// from a source through a VolumeReader, with every finding logged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "volume/VolumeProbes.h"

// Room the readers may fill past a probe when a device rounds a read up to
// whole blocks.
inline constexpr uint32_t kWorkSlack = 65536;

// What a source must offer the probes. ReadAt fills count bytes from byte
// offset of the source; bytes the source does not hold are zeros, so a probe
// never sees stale data. On failure it reports in its own way and returns
// false.
class VolumeReader {
 public:
  enum class ReadKind {
    Probe,     // MID, ISO, anchor: a failure ends the check with a report
    Sequence,  // the volume descriptor sequence an anchor names
    Trailing,  // the sectors around the end of the UDF volume
  };
  virtual ~VolumeReader() = default;
  virtual bool ReadAt(uint64_t offset, uint8_t* buffer, uint32_t count, ReadKind kind) = 0;
  // Bytes the source holds (file size or device capacity).
  virtual uint64_t SourceSize() = 0;
};

// The log texts that differ between the file and the device check.
struct ProbeTexts {
  const char* withMid;
  const char* noMid;
  const char* notIso;
  const char* notUdf;
  const char* topDumpTitle;  // when set, the first 128 bytes are dumped to the log
};

struct ProbeFindings {
  bool mid = false;
  uint32_t volumeOffset = 0;
  uint64_t midSize = 0;
  uint64_t isoSize = 0;
  uint64_t udfSize = 0;
  uint64_t available = 0;  // what the source holds from the volume offset on
  // The larger of the ISO 9660 and UDF sizes as the volume declares them,
  // when the source holds less (a file cut short); 0 otherwise.
  uint64_t declared = 0;
  std::string volumeName;
};

// Runs the probes. work must hold at least 1 MiB and one block more. False when a read failed
// (already reported by the reader).
bool ProbeVolume(VolumeReader& reader, const ProbeTexts& texts, std::vector<uint8_t>& work,
                 ProbeFindings& found);

// Logs the three candidate sizes ("ISO: ... bytes" and so on).
void LogCandidateSizes(const ProbeFindings& found);

// The results of a check once the size choice is made: the chosen size, its
// sectors, name and offset, logged as "<tag> VolumeSize: ..., LBSize: ...H".
class VolSizeChoice;
struct VolumeInfo;
void TakeChosenVolume(const ProbeFindings& found, VolSizeChoice& sizes, const char* tag, VolumeInfo& info);
