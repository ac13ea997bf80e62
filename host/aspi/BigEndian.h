// SPDX-License-Identifier: GPL-3.0-or-later
// Big-endian fields of command blocks, parameter lists and replies: SCSI puts
// the most significant byte first. The program builds its command blocks with
// these and the managers build their replies with them, so that no call site
// does index arithmetic on a multi-byte field. Put writes the low `Bytes` bytes
// of value; Get reads them back.
#pragma once

#include <cstddef>
#include <cstdint>

namespace aspi {

template <size_t Bytes>
constexpr void PutBigEndian(uint8_t* field, uint64_t value) {
  static_assert(Bytes >= 1 && Bytes <= 8);
  for (size_t i = 0; i < Bytes; ++i) field[i] = static_cast<uint8_t>(value >> (8 * (Bytes - 1 - i)));
}

template <size_t Bytes>
constexpr uint64_t GetBigEndian(const uint8_t* field) {
  static_assert(Bytes >= 1 && Bytes <= 8);
  uint64_t value = 0;
  for (size_t i = 0; i < Bytes; ++i) value = (value << 8) | field[i];
  return value;
}

constexpr void PutBE16(uint8_t* field, uint32_t value) { PutBigEndian<2>(field, value); }
constexpr void PutBE24(uint8_t* field, uint32_t value) { PutBigEndian<3>(field, value); }
constexpr void PutBE32(uint8_t* field, uint32_t value) { PutBigEndian<4>(field, value); }
constexpr uint16_t GetBE16(const uint8_t* field) { return static_cast<uint16_t>(GetBigEndian<2>(field)); }
constexpr uint32_t GetBE24(const uint8_t* field) { return static_cast<uint32_t>(GetBigEndian<3>(field)); }
constexpr uint32_t GetBE32(const uint8_t* field) { return static_cast<uint32_t>(GetBigEndian<4>(field)); }

}  // namespace aspi
