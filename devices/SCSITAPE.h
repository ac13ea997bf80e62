// SPDX-License-Identifier: GPL-3.0-or-later
// SCSITAPE: a tape drive as a source. It reads in variable-length READ(6)
// transfers of at most 32 KiB and takes the residue from the sense data when
// a read ends short (filemark, incorrect length). A tape has no addresses.
#pragma once

#include "devices/SCSIDEV.h"

class SCSITAPE : public SCSIDEV {
 public:
  static constexpr int32_t kClassCode = 1;
  // Answers in a row that move no data while the drive reports only flag
  // bits (filemark, end of medium, incorrect length) before the read gives up.
  static constexpr int kEmptyAnswerLimit = 10;

  SCSITAPE(uint8_t ha, uint8_t id, uint8_t lun);

  bool Read(void* buffer, uint32_t byteCount) override;
  bool Read(uint32_t address, void* buffer, uint32_t byteCount) override;
};
