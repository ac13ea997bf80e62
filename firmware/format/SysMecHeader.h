// SPDX-License-Identifier: GPL-3.0-or-later
// The header of a SYS/MEC update file (QXW-7100): its first 128 bytes.
//
//   0-45    "QXW-7100 Firmware Binary File : Update to Ver."
//   46-49   version of the new firmware, 4 characters
//   58-68   "QXW-7100SYS"   69-72 SYS size    73-76 SYS position
//   77-87   "QXW-7100MEC"   88-91 MEC size    92-95 MEC position
//
// Numbers are big-endian unsigned 32-bit values; the two images are raw bytes
// at their positions. The format has no checksum. The drive reads the parts
// back from offset 20000h (SYS) and 40000h (MEC) of its read-back buffers,
// so each part must fit below the 24-bit limit from there.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "firmware/format/FirmwareFile.h"

inline constexpr uint32_t kSysReadBackBase = 0x20000;
inline constexpr uint32_t kMecReadBackBase = 0x40000;

struct SysMecHeader {
  static constexpr uint32_t kSize = 128;
  std::array<uint8_t, kSize> bytes{};

  // Bytes 46-49 as they stand.
  std::string Version() const;
  // Bytes 58-68 are "QXW-7100SYS" and bytes 77-87 "QXW-7100MEC".
  bool HasPartMarkers() const;
  FirmwarePart Sys() const;
  FirmwarePart Mec() const;
};

// Takes the 128 header bytes from the start of the file into a zeroed
// header; false when the file is shorter.
bool ReadSysMecHeader(FirmwareBytes file, SysMecHeader& header);

// Why the two parts cannot be sent as they stand, or an empty text: each
// needs bytes, must lie after the header and inside the file, and must fit
// the drive's buffer offsets from its read-back base.
std::string SysMecLayoutProblem(const SysMecHeader& header, uint64_t fileSize);
