// SPDX-License-Identifier: GPL-3.0-or-later
// What both kinds of firmware update file share: the file read into memory
// once (every check and every byte sent to the drive work on that one copy,
// so a file changed meanwhile cannot slip bytes past the checks), how a file
// is recognised from its first 64 bytes, where a component's bytes lie, the
// room the drive's buffer commands give (24-bit offsets and lengths), and the
// text lines of a descriptor.
//
// SYS/MEC files (QXW-7100) begin with "QXW-7100 Firmware Binary File :
// Update to Ver." (46 characters), TYPE1 files (QXW-7200) with "QXW-7200
// Firmware Binary File [TYPE1] : Update to Ver." (54 characters). The layouts
// behind them are in SysMecHeader.h and Type1File.h.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class CFILE;

enum class FirmwareFileKind { None, SysMec, Type1 };

// The bytes of a whole update file.
using FirmwareBytes = std::span<const uint8_t>;

// No update file comes near this: two parts within the drive's 24-bit
// buffers and a header. A larger file is refused before it is read.
inline constexpr uint64_t kLargestUpdateFile = uint64_t{64} << 20;

// Reads the whole open file into bytes; false on a read error, a short read
// or a file larger than kLargestUpdateFile (file.Error() tells a read error
// from the rest).
bool ReadWholeFile(CFILE& file, std::vector<uint8_t>& bytes);

inline constexpr uint32_t kRecognitionBytes = 64;

// The kind of file whose first 64 bytes these are (TYPE1 tested first).
FirmwareFileKind RecogniseFirmware(std::span<const uint8_t, kRecognitionBytes> head);
// The first 64 bytes of a file, zeros past its end.
std::array<uint8_t, kRecognitionBytes> FirmwareHead(FirmwareBytes file);

// One component of an update file: its size and its byte position.
struct FirmwarePart {
  uint32_t size = 0;
  uint32_t offset = 0;
};

// WRITE BUFFER and READ BUFFER carry offsets and lengths in 24 bits: every
// byte sent must land below this.
inline constexpr uint64_t kBufferSpace = uint64_t{1} << 24;

// Why a part cannot be sent as it stands, or an empty text: it must have
// bytes, start at or after firstOffset, end inside the file, and reach no
// higher than kBufferSpace when placed at bufferBase.
std::string PartProblem(const char* name, const FirmwarePart& part, uint64_t fileSize, uint64_t firstOffset,
                        uint64_t bufferBase);

// The next text line from position on, as the program's file line reader
// reads it (CFILE::ReadLine): ended by CR, LF or a pair of them, cut at a
// NUL; false at the end, for a last line without a terminator and for lines
// of 4096 bytes or more. position moves past the line.
bool NextLine(FirmwareBytes file, size_t& position, std::string& text);
// The bytes of a part that PartProblem found inside the file.
FirmwareBytes PartBytes(FirmwareBytes file, const FirmwarePart& part);

// part x 100 / whole in 64-bit arithmetic (0 when whole is 0), so that
// sizes of several MiB never overflow.
int Percent(uint64_t part, uint64_t whole);
