// SPDX-License-Identifier: GPL-3.0-or-later
// The 128 KiB work area of an operation: two 64 KiB halves (A and B). The
// pattern operation builds its blocks in A and reads them back into B. (The
// data passes move their steps through rings of their own, StepRing.h.)
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
