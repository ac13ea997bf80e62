// The --size arguments: a whole number of bytes written in decimal digits,
// at most 2^64 - 1. A sign, a fraction, an exponent, blanks or a number
// beyond 64 bits is a usage error, never a wrapped or clipped size.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

inline CLI::Validator ByteCount() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        static const std::string kLargest = "18446744073709551615";
        bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
        bool fits = text.size() < kLargest.size() || (text.size() == kLargest.size() && text <= kLargest);
        if (digits && fits) return {};
        return "\"" + text + "\" is not a number of bytes (whole bytes in decimal, 0 to " + kLargest + ")";
      },
      "BYTES");
}
