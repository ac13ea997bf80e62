// SPDX-License-Identifier: GPL-3.0-or-later
// Sense data to text: the one line the user and the log read after a failed
// command. Reads sense byte 2 (the whole key byte, flag bits included), bytes
// 12 and 13 (ASC, ASCQ) and, for 38h/00h only, byte 21.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// The size of the text area the message is built in, NUL included.
inline constexpr size_t kSenseTextSize = 128;
// Sense bytes the decoder reads; a shorter area reads as zeros past its end.
inline constexpr size_t kDecodedSenseBytes = 22;

// The decoded message; at most kSenseTextSize - 1 characters.
std::string DecodeSense(std::span<const uint8_t> senseArea);

// The same message in a caller's text area of size bytes (cut to fit, always
// NUL-terminated when size > 0).
void DecodeSense(std::span<const uint8_t> senseArea, char* text, size_t size);
