// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/NumberText.h"

#include <cstring>

namespace {

// The value of c as a digit of base, or -1.
int DigitValue(char c, int base, bool lowerHexAllowed) {
  if (c >= '0' && c <= '9') return c - '0';
  if (base != 16) return -1;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (lowerHexAllowed && c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool IsSeparator(char c, int base) { return c == ' ' || c == ',' || (base == 16 && c == ':'); }

// Evaluates text from its last character towards its first, over at most its
// last 18 characters; separators are skipped without taking a place. Unsigned
// arithmetic wraps, as the fixed-width original did.
bool EvaluateDigits(std::string_view text, int base, bool lowerHexAllowed, uint64_t& value) {
  constexpr size_t kWindow = 18;
  size_t first = text.size() > kWindow ? text.size() - kWindow : 0;
  uint64_t sum = 0;
  uint64_t place = 1;
  for (size_t i = text.size(); i > first; --i) {
    char c = text[i - 1];
    if (IsSeparator(c, base)) continue;
    int digit = DigitValue(c, base, lowerHexAllowed);
    if (digit < 0) {
      value = 0;
      return false;
    }
    sum += static_cast<uint64_t>(digit) * place;
    place *= static_cast<uint64_t>(base);
  }
  value = sum;
  return true;
}

}  // namespace

bool FormatNumber(uint64_t value, char* buffer, size_t size) {
  char digits[20];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);

  char text[27];  // 20 digits and 6 commas
  size_t length = 0;
  for (int i = count - 1; i >= 0; --i) {
    text[length++] = digits[i];
    if (i > 0 && i % 3 == 0) text[length++] = ',';
  }
  if (buffer == nullptr || size == 0) return false;
  size_t copied = length < size - 1 ? length : size - 1;
  std::memcpy(buffer, text, copied);
  buffer[copied] = '\0';
  return length + 1 <= size;
}

std::string FormatNumber(uint64_t value) {
  char text[32];
  FormatNumber(value, text, sizeof text);
  return text;
}

uint64_t ParseNumber(std::string_view text, int base) {
  constexpr size_t kMaxLength = 31;
  text = text.substr(0, text.find('\0'));
  text = text.substr(0, kMaxLength);
  if (!text.empty() && (text.back() == 'H' || text.back() == 'h')) {
    base = 16;
    text.remove_suffix(1);  // the suffix counts as a blank, which is skipped
  }
  if (base != 10 && base != 16) return 0;
  uint64_t value = 0;
  EvaluateDigits(text, base, true, value);
  return value;
}

bool ScanNumber(std::string_view text, uint64_t& value) {
  constexpr size_t kMaxBlanks = 21;
  constexpr size_t kMaxToken = 20;
  value = 0;
  size_t at = 0;
  while (at < text.size() && at < kMaxBlanks && text[at] == ' ') ++at;
  if (at >= text.size()) return false;
  char first = text[at];
  if (!((first >= '0' && first <= '9') || (first >= 'A' && first <= 'F'))) return false;

  size_t start = at;
  while (at < text.size() && at - start < kMaxToken) {
    char c = text[at];
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || c == ',')) break;
    ++at;
  }
  int base = (at < text.size() && (text[at] == 'H' || text[at] == 'h')) ? 16 : 10;
  return EvaluateDigits(text.substr(start, at - start), base, false, value);
}

uint64_t GetAssignedValue(std::string_view line) {
  constexpr size_t kMaxValueText = 127;
  size_t equals = line.find('=');
  if (equals == std::string_view::npos) return 0;
  std::string_view rest = line.substr(equals + 1, kMaxValueText);
  rest = rest.substr(0, rest.find('\0'));
  if (rest.empty()) return 0;
  uint64_t value = 0;
  return ScanNumber(rest.substr(1), value) ? value : 0;
}

uint64_t CeilDiv64(uint64_t a, uint64_t b) {
  if (b == 0) return 0;
  return a / b + (a % b != 0 ? 1 : 0);
}

uint32_t TakeChunk(uint32_t& remaining, uint32_t chunk) {
  if (remaining > chunk) {
    remaining -= chunk;
    return chunk;
  }
  uint32_t rest = remaining;
  remaining = 0;
  return rest;
}

uint32_t TakeChunk(uint64_t& remaining, uint32_t chunk) {
  if (remaining > chunk) {
    remaining -= chunk;
    return chunk;
  }
  uint32_t rest = static_cast<uint32_t>(remaining);
  remaining = 0;
  return rest;
}
