// SPDX-License-Identifier: GPL-3.0-or-later
// Multi-byte numbers in SCSI replies and disc structures: the value of the
// first bitCount / 8 bytes (at most 8), most significant byte first
// (BigEndianValue) or least significant first (LittleEndianValue). Bytes are
// unsigned; a bitCount above 64 reads 8 bytes.
#pragma once

#include <cstdint>

uint64_t BigEndianValue(const uint8_t* bytes, unsigned bitCount);
uint64_t LittleEndianValue(const uint8_t* bytes, unsigned bitCount);
