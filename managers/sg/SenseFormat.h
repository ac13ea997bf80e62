// SPDX-License-Identifier: GPL-3.0-or-later
// SenseFormat: the sense data the kernel hands back, in the fixed format the
// program reads (key in byte 2, ASC and ASCQ in bytes 12 and 13).
//
// Fixed-format sense (response codes 70h and 71h) and anything that is not
// sense data at all pass through unchanged, vendor bytes included.
// Descriptor-format sense (72h and 73h), which SAT disks and some bridges
// return, is rewritten into 18 bytes of fixed format: key, ASC and ASCQ, the
// information field when it fits 32 bits, the command-specific information,
// the field replaceable unit, the sense-key-specific bytes and the
// filemark, end-of-medium and incorrect-length flags.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sg {

inline constexpr size_t kFixedSenseLength = 18;

// Writes at most outRoom bytes of fixed-format sense for the length bytes
// at in; returns how many it wrote.
size_t ToFixedSense(const uint8_t* in, size_t length, uint8_t* out, size_t outRoom);

}  // namespace sg
