// What both kinds of firmware update file share: how a file is recognised
// from its first 64 bytes, where a component's bytes lie, the room the
// drive's buffer commands give (24-bit offsets and lengths), and reads that
// count only when they deliver every byte asked for.
//
// SYS/MEC files (QXW-7100) begin with "QXW-7100 Firmware Binary File :
// Update to Ver." (46 characters), TYPE1 files (QXW-7200) with "QXW-7200
// Firmware Binary File [TYPE1] : Update to Ver." (54 characters). The layouts
// behind them are in SysMecHeader.h and Type1File.h.
#pragma once

#include <cstdint>
#include <span>
#include <string>

class CFILE;

enum class FirmwareFileKind { None, SysMec, Type1 };

inline constexpr uint32_t kRecognitionBytes = 64;

// The kind of file whose first 64 bytes these are (TYPE1 tested first).
FirmwareFileKind RecogniseFirmware(std::span<const uint8_t, kRecognitionBytes> head);

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

// Reads exactly count bytes at the file's position: false on a read error
// and on a short read (a file that shrank meanwhile).
bool ReadExactly(CFILE& file, void* buffer, uint32_t count);

// part x 100 / whole in 64-bit arithmetic (0 when whole is 0), so that
// sizes of several MiB never overflow.
int Percent(uint64_t part, uint64_t whole);
