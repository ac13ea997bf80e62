// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/EndianValue.h"

namespace {

unsigned ByteCount(unsigned bitCount) { return bitCount / 8 > 8 ? 8 : bitCount / 8; }

}  // namespace

uint64_t BigEndianValue(const uint8_t* bytes, unsigned bitCount) {
  uint64_t value = 0;
  for (unsigned i = 0; i < ByteCount(bitCount); ++i) value = (value << 8) | bytes[i];
  return value;
}

uint64_t LittleEndianValue(const uint8_t* bytes, unsigned bitCount) {
  uint64_t value = 0;
  for (unsigned i = ByteCount(bitCount); i > 0; --i) value = (value << 8) | bytes[i - 1];
  return value;
}
