// SPDX-License-Identifier: GPL-3.0-or-later
// The TYPE1 update file (QXW-7200).
//
//   0-53    "QXW-7200 Firmware Binary File [TYPE1] : Update to Ver."
//   54-57   version of the new firmware, 4 characters
//   64-     the file descriptor: CR LF text lines up to the line
//           "[ End of File Descriptor ]"; a "Checksum = " line may stand
//           anywhere among the lines from byte 64 on
//   512-    the components at the positions the descriptor gives; loader.inf
//           (16 bytes: load address at 0-3, start address at 8-11) first
//
// Descriptor lines: "FileName = loader.inf" (also loader.bin, rom_in.bin,
// rom_ext.bin) makes that component current; "FileSize = n" and
// "Offset = n" set its size and position (decimal, or hexadecimal with a
// trailing H; the low 32 bits count). Other lines are ignored.
//
// The checksum is the CRC-16 (Crc16.h) of every byte from 512 to the end of
// the file and must equal the low 16 bits of the Checksum value.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "firmware/format/FirmwareFile.h"

enum class Type1Part { LoaderInf, LoaderBin, RomIn, RomExt };
inline constexpr size_t kType1PartCount = 4;
inline constexpr uint32_t kType1ImageStart = 512;
inline constexpr uint32_t kLoaderInfoSize = 16;

const char* Type1PartName(Type1Part part);

struct Type1Descriptor {
  std::array<FirmwarePart, kType1PartCount> parts{};
  std::array<bool, kType1PartCount> named{};  // a FileName line names it

  const FirmwarePart& operator[](Type1Part part) const { return parts[static_cast<size_t>(part)]; }
};

// Bytes 54-57 when bytes 0-51 hold the first 52 characters of the marker;
// otherwise empty.
std::string Type1Version(std::span<const uint8_t, kRecognitionBytes> head);

// Reads the descriptor lines from byte 64; false when the end line is
// missing (the descriptor is incomplete).
bool ReadType1Descriptor(FirmwareBytes file, Type1Descriptor& descriptor);

// Why the components cannot be sent as they stand, or an empty text. The
// file holds at least 512 bytes; all four components are named, each with
// bytes inside the file from byte 512 on; loader.inf is 16 bytes at byte 512
// (so that the checksum covers exactly 512 to the end); the ROM images and
// loader.bin fit the 24-bit buffer offsets.
std::string Type1LayoutProblem(const Type1Descriptor& descriptor, uint64_t fileSize);

enum class ChecksumVerdict { Valid, Invalid, NoChecksum, Unreadable };
struct ChecksumResult {
  ChecksumVerdict verdict = ChecksumVerdict::Unreadable;
  uint16_t stated = 0;
  uint16_t computed = 0;
};

// Looks for the "Checksum = " line from byte 64 on; without one the file
// counts as unchecked (NoChecksum). Otherwise logs a dump of the first 128
// bytes from byte 512 and computes the CRC from byte 512 to the end of the
// file. A file shorter than 512 bytes gives Unreadable.
ChecksumResult CheckType1Checksum(FirmwareBytes file);

struct LoaderInfo {
  std::array<uint8_t, kLoaderInfoSize> bytes{};
  uint32_t LoadAddress() const;
  uint32_t StartAddress() const;
};

// Takes the 16 bytes of loader.inf at its position into a zeroed record;
// false when they are not all inside the file.
bool ReadLoaderInfo(FirmwareBytes file, const Type1Descriptor& descriptor, LoaderInfo& info);

// Why the loader cannot be placed as loader.inf says, or an empty text:
// loader.bin must fit below the 24-bit limit from the load address, and the
// start address must be a 24-bit offset.
std::string LoaderInfoProblem(const LoaderInfo& info, const Type1Descriptor& descriptor);
