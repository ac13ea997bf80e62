// SPDX-License-Identifier: GPL-3.0-or-later
// The CRC-16 of the TYPE1 firmware file: polynomial 1021h, initial value 0,
// no bit reflection and no final XOR (CRC-16/XMODEM), computed a byte at a
// time through a 256-entry table. The CRC of "abc" is 9DD6h.
#pragma once

#include <cstdint>
#include <span>

class Crc16 {
 public:
  // Adds bytes to the running value; pieces may be added one after another.
  void Add(std::span<const uint8_t> bytes);
  uint16_t Value() const { return value_; }

 private:
  uint16_t value_ = 0;
};

uint16_t Crc16Of(std::span<const uint8_t> bytes);
