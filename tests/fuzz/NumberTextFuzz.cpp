// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the number readers. The input is copied into a
// buffer of exactly its size, so AddressSanitizer catches any read past it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "base/NumberText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto copy = std::make_unique<char[]>(size);
  if (size) std::memcpy(copy.get(), data, size);
  std::string_view text(copy.get(), size);

  uint64_t value = 0;
  bool ok = ScanNumber(text, value);
  if (!ok && value != 0) __builtin_trap();
  (void)ParseNumber(text, 10);
  (void)ParseNumber(text, 16);
  (void)GetAssignedValue(text);

  char small[8];
  FormatNumber(ParseNumber(text, 16), small, sizeof small);
  return 0;
}
