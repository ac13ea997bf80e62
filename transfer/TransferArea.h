// The 128 KiB transfer area of an operation: two 64 KiB halves (A and B)
// that the workers of a pass fill and empty in turn. The operation thread
// owns it; the pattern operation builds and reads its blocks in it too.
#pragma once

#include <array>
#include <cstdint>

struct TransferArea {
  static constexpr uint32_t kHalf = 65536;
  static constexpr uint32_t kBytes = 2 * kHalf;

  uint8_t* A() { return bytes.data(); }
  uint8_t* B() { return bytes.data() + kHalf; }

  alignas(64) std::array<uint8_t, kBytes> bytes{};
};
