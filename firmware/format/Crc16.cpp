// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/format/Crc16.h"

#include <array>

namespace {

constexpr uint16_t kPolynomial = 0x1021;

// Entry i is the CRC of the single byte i.
constexpr std::array<uint16_t, 256> MakeTable() {
  std::array<uint16_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint16_t crc = static_cast<uint16_t>(i << 8);
    for (int bit = 0; bit < 8; ++bit)
      crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ kPolynomial : crc << 1);
    table[i] = crc;
  }
  return table;
}

constexpr std::array<uint16_t, 256> kTable = MakeTable();

}  // namespace

void Crc16::Add(std::span<const uint8_t> bytes) {
  uint16_t crc = value_;
  for (uint8_t b : bytes) crc = static_cast<uint16_t>(kTable[((crc >> 8) ^ b) & 0xFF] ^ (crc << 8));
  value_ = crc;
}

uint16_t Crc16Of(std::span<const uint8_t> bytes) {
  Crc16 crc;
  crc.Add(bytes);
  return crc.Value();
}
