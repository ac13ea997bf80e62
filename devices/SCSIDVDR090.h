// SPDX-License-Identifier: GPL-3.0-or-later
// SCSIDVDR090: the maker's QXW-7100 DVD-R writer with first-generation
// firmware (revision beginning with '0'). It announces the end of the main
// data area (rounded up to 32768 sectors) in the physical format structure
// and then writes sequentially in fixed 32 KiB pieces with WRITE(12), whose
// address field this firmware ignores (always 0). It reads with READ(12).
#pragma once

#include "devices/SCSIDEV.h"

class SCSIDVDR090 : public SCSIDEV {
 public:
  static constexpr int32_t kClassCode = 0x8010;
  static constexpr uint32_t kEndSectorUnit = 32768;

  SCSIDVDR090(uint8_t ha, uint8_t id, uint8_t lun);

  bool Read(void* buffer, uint32_t byteCount) override;
  bool Read(uint32_t address, void* buffer, uint32_t byteCount) override;
  // The buffer must hold byteCount raised to a multiple of 32768 bytes.
  bool Write(void* buffer, uint32_t byteCount) override;
  bool Write(uint32_t address, void* buffer, uint32_t byteCount) override;
  bool SetWritingConfig(uint32_t sectorCount, int testWrite, int writeMode) override;

  // Sets or clears the test-write bit in page 05h, leaving the write type.
  bool TestWrite09(int testWrite);
};
