// SPDX-License-Identifier: GPL-3.0-or-later
// SCSIDEV: the write parameters page (05h) shared by the DVD-R writer classes.
#include <array>

#include "base/Log.h"
#include "devices/SCSIDEV.h"
#include "scsi/ParameterLists.h"

bool SCSIDEV::SelectWriteParameters(const char* beginLine, const char* doneLine, WriteParameterBuilder build,
                                    bool testWrite) {
  AddLog(beginLine);
  TestUnitReady();  // clears a pending unit attention; its answer does not matter
  std::array<uint8_t, scsi::kModeAreaSize> area{};
  int status = ModeSense10(scsi::kWriteParametersPage, area.data());
  uint8_t key = 0;
  GetSense(&key);
  if (!ConfigAccepted(status, key)) {
    ReportConfigFailure();
    return false;
  }
  uint16_t length = build(area, testWrite);
  status = ModeSelect10(area.data(), length);
  GetSense(&key);
  if (!ConfigAccepted(status, key)) {
    ReportConfigFailure();
    return false;
  }
  AddLog(doneLine);
  return true;
}
