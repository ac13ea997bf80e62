// SPDX-License-Identifier: GPL-3.0-or-later
// Number text helpers: 64-bit byte counts to grouped decimal text, numbers read
// from what people type and from machine-written texts, and the two pieces of
// size arithmetic that the transfer code repeats. No state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Writes value as decimal digits grouped by three with ",". False when the
// text and its terminating NUL do not fit in size characters (the buffer then
// holds as much as fits, terminated when size > 0).
bool FormatNumber(uint64_t value, char* buffer, size_t size);
// The same text as a string, for callers that need no fixed area.
std::string FormatNumber(uint64_t value);

// Reads a whole number typed by a person (at most its first 31 characters,
// up to a NUL). A trailing "H"/"h" means base 16 whatever base says. Blanks and
// commas (and in base 16 colons) are skipped; only the last 18 characters
// count; any other character gives 0. base is 10 or 16.
uint64_t ParseNumber(std::string_view text, int base);

// Reads one number token at the start of text: up to 21 blanks, then digits,
// upper-case A-F and commas (at most 20 characters). An "H"/"h" right after the
// token means base 16. False with value 0 when there is no valid token.
bool ScanNumber(std::string_view text, uint64_t& value);

// The number of a "key = number" line; 0 without "=" or a readable number.
uint64_t GetAssignedValue(std::string_view line);

// a / b rounded up; 0 when b is 0.
uint64_t CeilDiv64(uint64_t a, uint64_t b);

// Takes the next piece of a transfer off remaining: chunk while more than chunk
// is left, then the rest, then 0.
uint32_t TakeChunk(uint32_t& remaining, uint32_t chunk);
uint32_t TakeChunk(uint64_t& remaining, uint32_t chunk);
