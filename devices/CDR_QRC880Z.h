// SPDX-License-Identifier: GPL-3.0-or-later
// CDR_QRC880Z: the maker's QRC880Z CD write-once drive. It is configured
// through two vendor mode pages (23h writing mode, 20h configuration) and the
// vendor command E6h, and finishes a write with a cache flush followed by the
// vendor command E9h. Its free space is its capacity less three blocks.
#pragma once

#include "devices/SCSIDEV.h"

class CDR_QRC880Z : public SCSIDEV {
 public:
  static constexpr int32_t kClassCode = 0x8001;

  CDR_QRC880Z(uint8_t ha, uint8_t id, uint8_t lun);

  // Only testWrite is used.
  bool SetWritingConfig(uint32_t sectorCount, int testWrite, int writeMode) override;
  uint64_t GetFreeSize() override;
  bool FinishWrite() override;

  // Sets (testWrite 1) or clears the test-write flag in vendor page 23h.
  bool SetWritingMode(int testWrite);
};
