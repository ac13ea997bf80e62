// SPDX-License-Identifier: GPL-3.0-or-later
// DiffDetail: writes the differences between source and destination data to
// the log, one entry per differing 16-byte row with both rows in hexadecimal.
#pragma once

#include <cstdint>

// Rows are 16 bytes: when length is not a multiple of 16 the last row reaches
// past it, so both areas must hold length rounded up to 16 bytes.
void DiffDetail(const uint8_t* source, const uint8_t* destination, uint32_t length);
