// SPDX-License-Identifier: GPL-3.0-or-later
// One execute request as the recording manager kept it (shared by the
// recorder library and the tests that read it).
#pragma once

#include <cstdint>

struct RecordedCommand {
  uint8_t ha;
  uint8_t id;
  uint8_t lun;
  uint8_t flags;      // SRB_Flags: direction and posting
  uint8_t cdbLength;
  uint8_t cdb[16];
  uint32_t bufLen;    // SRB_BufLen as sent
  uint32_t dataLength;  // bytes of outgoing data kept
};
