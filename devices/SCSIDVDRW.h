// SPDX-License-Identifier: GPL-3.0-or-later
// SCSIDVDRW: a DVD-R/RW writer of any vendor whose capabilities page reports
// DVD-R writing (IsDVDR). It writes like SCSIDVDR100; its free size also
// checks that the disc is blank, and it finishes a write with an immediate
// cache flush followed by polling until the drive ends its long write.
#pragma once

#include "devices/SCSIDVDR100.h"

class SCSIDVDRW : public SCSIDVDR100 {
 public:
  static constexpr int32_t kClassCode = 0x8020;
  // How long the drive may report "long write in progress" after the flush.
  static constexpr uint32_t kLongWriteLimitMs = 900000;
  static constexpr uint32_t kLongWritePollMs = 5000;

  SCSIDVDRW(uint8_t ha, uint8_t id, uint8_t lun);

  uint64_t GetFreeSize() override;
  bool FinishWrite() override;
  int VendorRead(void* buffer, uint16_t length) override;
  int VendorWrite(const void* buffer, uint16_t length) override;
};
