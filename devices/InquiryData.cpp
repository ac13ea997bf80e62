// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/InquiryData.h"

#include <cstring>

namespace {

template <size_t N>
void CopyField(const uint8_t* field, size_t length, char (&area)[N]) {
  static_assert(N > 0);
  std::memset(area, 0, N);
  std::memcpy(area, field, length < N - 1 ? length : N - 1);
}

}  // namespace

void INQUIRYDATA::Reset() {
  bytes_.fill(0);
  bytes_[0] = kNoDevice;
}

void INQUIRYDATA::CopyVendor(char (&area)[10]) const { CopyField(&bytes_[kVendorOffset], kVendorLength, area); }

void INQUIRYDATA::CopyProduct(char (&area)[18]) const { CopyField(&bytes_[kProductOffset], kProductLength, area); }

void INQUIRYDATA::CopyRevision(char (&area)[6]) const {
  CopyField(&bytes_[kRevisionOffset], kRevisionLength, area);
}
