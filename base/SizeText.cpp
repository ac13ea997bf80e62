// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/SizeText.h"

#include <optional>

namespace {

constexpr char kLargest[] = "18446744073709551615";

int DigitOf(char c, unsigned base) {
  if (c >= '0' && c <= '9') return c - '0';
  if (base != 16) return -1;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The digits in base, or nothing when a character is no digit or the value
// does not fit 64 bits.
std::optional<uint64_t> Evaluate(std::string_view digits, unsigned base) {
  if (digits.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : digits) {
    int digit = DigitOf(c, base);
    if (digit < 0) return std::nullopt;
    if (value > (UINT64_MAX - static_cast<unsigned>(digit)) / base) return std::nullopt;
    value = value * base + static_cast<unsigned>(digit);
  }
  return value;
}

}  // namespace

bool ReadSizeText(std::string_view text, uint64_t& bytes, std::string* refusal) {
  std::optional<uint64_t> value;
  if (!text.empty() && (text.back() == 'H' || text.back() == 'h'))
    value = Evaluate(text.substr(0, text.size() - 1), 16);
  else
    value = Evaluate(text, 10);
  if (value) {
    bytes = *value;
    return true;
  }
  if (refusal != nullptr)
    *refusal = "\"" + std::string(text) + "\" is not a number of bytes (whole bytes in decimal, 0 to " + kLargest +
               ", or in hexadecimal ending in H, such as 100000H)";
  return false;
}
