// SPDX-License-Identifier: GPL-3.0-or-later
// SCSIDVDR100: the maker's QXW-7100 DVD-R writer with later firmware (any
// revision not beginning with '0'). A write reserves one RZone of exactly the
// announced size, is written with WRITE(10) and ends with a cache flush.
// Attempts that fail with sense data are never retried: the drive has said
// why, and writing on would leave a hole in the RZone.
#pragma once

#include "devices/SCSIDEV.h"

class SCSIDVDR100 : public SCSIDEV {
 public:
  static constexpr int32_t kClassCode = 0x8011;

  SCSIDVDR100(uint8_t ha, uint8_t id, uint8_t lun);

  using SCSIDEV::Write;
  bool Write(void* buffer, uint32_t byteCount) override;
  bool Write(uint32_t address, void* buffer, uint32_t byteCount) override;
  bool SetWritingConfig(uint32_t sectorCount, int testWrite, int writeMode) override;
  uint64_t GetFreeSize() override;
  bool FinishWrite() override;

  // Puts the test-write bit (testWrite 1) and write type 2 into page 05h.
  bool TestWrite10(int testWrite);

 protected:
  // The free blocks of RZone 0 as bytes, or 0; logs why when it fails.
  uint64_t RZoneFreeBytes();
  // The geometry cleared and the reason logged when the device cannot answer.
  bool ReadyForFreeSize();
};
