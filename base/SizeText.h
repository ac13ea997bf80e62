// SPDX-License-Identifier: GPL-3.0-or-later
// The size text rule: what a person may write for a number of bytes, on the
// command line (--size) and in the Volume Size window. One rule for both, so
// that a size one front end takes the other takes too.
//
// Accepted: whole bytes in decimal digits, 0 to 18446744073709551615 (2^64 - 1),
// or in hexadecimal digits (either case) followed by "H" or "h", as the
// program writes hexadecimal sizes ("100000H"), at most FFFFFFFFFFFFFFFFH.
// Everything else is refused with a message, never read as 0 or cut to fit:
// signs, blanks, commas, fractions, exponents, "0x", units, and numbers beyond
// 64 bits.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// True with the value in bytes; false with bytes untouched and, when refusal
// is given, the message that says what the text should be.
bool ReadSizeText(std::string_view text, uint64_t& bytes, std::string* refusal = nullptr);
