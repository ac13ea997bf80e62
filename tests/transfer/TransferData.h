// SPDX-License-Identifier: GPL-3.0-or-later
// Volume bytes for transfer tests: varied, never zero-filled, reproducible.
#pragma once

#include <cstdint>
#include <string>

inline std::string VolumeBytes(uint64_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  uint32_t x = 0x9E3779B9u * (seed + 1);
  for (uint64_t i = 0; i < size; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    bytes[i] = static_cast<char>(x);
  }
  return bytes;
}
