// SPDX-License-Identifier: GPL-3.0-or-later
// INQUIRYDATA: the 128-byte record an INQUIRY answer lands in. Byte 0 holds
// the peripheral qualifier and device type (bits 0-4), bytes 8-15 the vendor,
// 16-31 the product and 32-35 the revision identification; on the maker's
// DVD-R writer bytes 48-51 hold the mechanism controller version.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "host/aspi/ScsiVocabulary.h"

class INQUIRYDATA {
 public:
  static constexpr size_t kSize = 128;
  static constexpr uint8_t kNoDevice = aspi::device::kNoDevice;  // "nothing attached"
  static constexpr size_t kVendorOffset = 8, kVendorLength = 8;
  static constexpr size_t kProductOffset = 16, kProductLength = 16;
  static constexpr size_t kRevisionOffset = 32, kRevisionLength = 4;
  static constexpr size_t kMechaOffset = 48;

  INQUIRYDATA() { Reset(); }

  // Byte 0 := 31, every other byte 0; done before every INQUIRY.
  void Reset();
  uint8_t DeviceType() const { return bytes_[0] & 0x1F; }

  // Copy the identification into a caller's area of 10, 18 and 6 bytes,
  // zeroed first; the copy is always NUL-terminated.
  void CopyVendor(char (&area)[10]) const;
  void CopyProduct(char (&area)[18]) const;
  void CopyRevision(char (&area)[6]) const;

  uint8_t* Data() { return bytes_.data(); }
  const uint8_t* Data() const { return bytes_.data(); }
  uint8_t operator[](size_t index) const { return bytes_[index]; }

 private:
  std::array<uint8_t, kSize> bytes_{};
};
