// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/CDR_QRC880Z.h"

#include <array>

#include "base/Log.h"
#include "host/aspi/ScsiVocabulary.h"
#include "host/ui/MessageBox.h"
#include "scsi/ParameterLists.h"

namespace sense = aspi::sense;

CDR_QRC880Z::CDR_QRC880Z(uint8_t ha, uint8_t id, uint8_t lun) : SCSIDEV(ha, id, lun) { SetIdentity(4, kClassCode); }

bool CDR_QRC880Z::SetWritingMode(int testWrite) {
  AddLog("[CDR_QRC880Z::SetWritingMode] begin.");
  TestUnitReady();  // its answer does not matter
  std::array<uint8_t, scsi::kModeAreaSize> area{};
  int status = ModeSense10(scsi::kCdrWritingModePage, area.data());
  uint8_t key = 0;
  GetSense(&key);
  if (!ConfigAccepted(status, key)) {
    ReportConfigFailure();
    return false;
  }
  uint16_t length = scsi::BuildCdrWritingMode(area, testWrite == 1);
  status = ModeSelect10(area.data(), length);
  GetSense(&key);
  if (!ConfigAccepted(status, key)) {
    ReportConfigFailure();
    return false;
  }
  AddLog("[CDR_QRC880Z::SetWritingMode] done.");
  return true;
}

bool CDR_QRC880Z::SetWritingConfig(uint32_t, int testWrite, int) {
  AddLog("[CDR_QRC880Z::SetWritingConfig] begin.");
  if (!SetWritingMode(testWrite)) {
    ui::MessageBox("Test mode setting error.", "Error", ui::kOk | ui::kIconError);
    return false;
  }
  // Zeroed, so that a short answer never sends stale memory back.
  std::array<uint8_t, scsi::kModeAreaSize> area{};
  int status = ModeSense10(scsi::kCdrConfigurationPage, area.data());
  uint8_t key = 0;
  GetSense(&key);
  if (!ConfigAccepted(status, key)) {
    ReportConfigFailure();
    return false;
  }
  uint16_t length = scsi::BuildCdrConfiguration(area);
  status = ModeSelect10(area.data(), length);
  GetSense(&key);
  if (!ConfigAccepted(status, key)) {
    ReportConfigFailure();
    return false;
  }

  bool result = false;
  status = VendorCdrConfig(2, 0, 0, 0);
  if (status != aspi::SS_COMP && status != aspi::SS_PENDING) {
    ReportConfigFailure();
  } else {
    std::string text;
    GetSense(&key, nullptr, nullptr, &text);
    result = key == sense::kNoSenseKey && status == aspi::SS_COMP;
  }
  if (!result) StartStopUnit(aspi::startstop::kStop);
  AddLog("[CDR_QRC880Z::SetWritingConfig] done.");
  return result;
}

uint64_t CDR_QRC880Z::GetFreeSize() {
  if (SetDevice() && LastLba() >= 2) return static_cast<uint64_t>(BlockSize()) * (LastLba() - 2);
  return 0;
}

bool CDR_QRC880Z::FinishWrite() {
  AddLog("CDR_QRC880Z::FinishWrite()");
  int status = SynchronizeCache(false);
  if (!GetSense() || status != aspi::SS_COMP) return false;
  status = VendorControl(3, true);
  if (status == aspi::SS_COMP) {
    AddLog("CDR_QRC880Z::FinishWrite() done.");
    return true;
  }
  AddLog("CDR_QRC880Z::FinishWrite() failed.");
  return false;
}
