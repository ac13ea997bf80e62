// Big-endian fields and space-padded texts of the replies the emulated drives
// build, so that no handler does index arithmetic on multi-byte fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace simbus {

template <size_t Bytes>
constexpr void PutBE(uint8_t* field, uint64_t value) {
  static_assert(Bytes >= 1 && Bytes <= 8);
  for (size_t i = 0; i < Bytes; ++i) field[i] = static_cast<uint8_t>(value >> (8 * (Bytes - 1 - i)));
}

template <size_t Bytes>
constexpr uint64_t GetBE(const uint8_t* field) {
  static_assert(Bytes >= 1 && Bytes <= 8);
  uint64_t value = 0;
  for (size_t i = 0; i < Bytes; ++i) value = (value << 8) | field[i];
  return value;
}

constexpr void PutBE16(uint8_t* f, uint32_t v) { PutBE<2>(f, v); }
constexpr void PutBE24(uint8_t* f, uint32_t v) { PutBE<3>(f, v); }
constexpr void PutBE32(uint8_t* f, uint32_t v) { PutBE<4>(f, v); }
constexpr uint16_t GetBE16(const uint8_t* f) { return static_cast<uint16_t>(GetBE<2>(f)); }
constexpr uint32_t GetBE24(const uint8_t* f) { return static_cast<uint32_t>(GetBE<3>(f)); }
constexpr uint32_t GetBE32(const uint8_t* f) { return static_cast<uint32_t>(GetBE<4>(f)); }

// Writes text into a field of `width` bytes, cut or padded with blanks, as
// INQUIRY identification fields are.
inline void PutPaddedText(uint8_t* field, size_t width, std::string_view text) {
  for (size_t i = 0; i < width; ++i) field[i] = i < text.size() ? static_cast<uint8_t>(text[i]) : ' ';
}

}  // namespace simbus
