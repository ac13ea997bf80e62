// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/SCSIDVDR100.h"


#include "base/Log.h"
#include "host/aspi/ScsiVocabulary.h"
#include "host/os/Sleep.h"
#include "host/ui/MessageBox.h"
#include "scsi/BigEndian.h"
#include "scsi/ParameterLists.h"
#include "base/TextFormat.h"

namespace sense = aspi::sense;

namespace {

constexpr char kUnsupportedDisc[] =
    "This disc is not supported for write.\r\nPlease change the disc to the appropriate disc.";
// Bytes an RZone reply must hold before its free block count means anything.
constexpr uint16_t kRZoneMinimumDataLength = 22;

}  // namespace

SCSIDVDR100::SCSIDVDR100(uint8_t ha, uint8_t id, uint8_t lun) : SCSIDEV(ha, id, lun) { SetIdentity(5, kClassCode); }

bool SCSIDVDR100::TestWrite10(int testWrite) {
  return SelectWriteParameters("[TestWrite10] begin.", "[TestWrite10] done.", scsi::BuildWriteParameters10,
                               testWrite == 1);
}

bool SCSIDVDR100::SetWritingConfig(uint32_t sectorCount, int testWrite, int) {
  AddLog("[SCSIDVDR100::SetWritingConfig] begin.");
  if (!TestWrite10(testWrite)) {
    ui::MessageBox("Test mode setting error.", "Error", ui::kOk | ui::kIconError);
    return false;
  }
  int status = ReserveRZone(sectorCount);
  uint8_t key = 0;
  GetSense(&key);
  if (key == sense::kIllegalRequestKey) {
    ui::MessageBox(kUnsupportedDisc, "Error Information", ui::kOk | ui::kIconError);
    PreventAllowMediumRemoval(aspi::removal::kAllow);
    StartStopUnit(aspi::startstop::kEject);
    AddLog(kUnsupportedDisc);
    ReportWithBox();
    return false;
  }
  if (key != sense::kNoSenseKey || status != aspi::SS_COMP) {
    ReportConfigFailure();
    return false;
  }

  scsi::DvdStructureRecord record;
  scsi::BuildCopyrightStructure(record, 0, 0);
  status = SendDvdStructure(record);
  GetSense(&key);
  if (key != sense::kNoSenseKey || status != aspi::SS_COMP) {
    ReportConfigFailure();
    return false;
  }
  scsi::BuildTimeStampStructure(record);
  status = SendDvdStructure(record);
  GetSense(&key);
  if (key != sense::kNoSenseKey || status != aspi::SS_COMP) {
    ReportConfigFailure();
    return false;
  }
  AddLog("[SCSIDVDR100::SetWritingConfig] done.");
  return true;
}

bool SCSIDVDR100::Write(void* buffer, uint32_t byteCount) {
  static constexpr StrictWriteLines kLines{"[SCSIDVDR100::Write] - Retry %d/%d", "[SCSIDEVR100::Write] failed.",
                                           "[SCSIDVDR100::Write] failed."};
  return WriteStrict(buffer, byteCount, 0, kLines, 0);
}

bool SCSIDVDR100::Write(uint32_t address, void* buffer, uint32_t byteCount) {
  SetAddress(address);
  return Write(buffer, byteCount);
}

bool SCSIDVDR100::ReadyForFreeSize() {
  const char* reason = nullptr;
  if (IsUnassigned()) {
    reason = "SCSIDVDRW::GetFreeSize() - device not present.";
  } else if (!WaitReady(100)) {
    reason = "GetFreeSize() - device not enabled.";
  } else {
    return true;
  }
  ClearGeometry();
  AddLog(reason);
  return false;
}

uint64_t SCSIDVDR100::RZoneFreeBytes() {
  scsi::RZoneRequest request;
  request.address = 0;
  request.addressType = 0;
  request.allocationLength = 2048;
  int status = ReadTrackRZoneInformation(request);
  if (status != aspi::SS_COMP) {
    std::string text;
    GetSense(nullptr, nullptr, nullptr, &text);  // the reason becomes the last error text
    AddLog(LastErrorText());
    return 0;
  }
  uint32_t freeBlocks = scsi::GetBE32(request.data + 16);
  if (freeBlocks == 0) return 0;
  uint16_t dataLength = scsi::GetBE16(request.data);
  return static_cast<uint64_t>(dataLength >= kRZoneMinimumDataLength ? freeBlocks : 0) * 2048;
}

uint64_t SCSIDVDR100::GetFreeSize() {
  if (!ReadyForFreeSize()) return 0;
  return RZoneFreeBytes();
}

bool SCSIDVDR100::FinishWrite() {
  AddLog("SCSIDVDR100::FinishWrite()");
  for (int attempt = 1;; ++attempt) {
    int status = SynchronizeCache(false);
    uint8_t key = 0;
    GetSense(&key);
    if (status == aspi::SS_COMP && key == sense::kNoSenseKey) break;
    if (attempt >= RetryCount()) {
      AddLog("[SCSIDVDR100::FinishWrite] failed.");
      Report();
      return false;
    }
    AddLog(FormatText("[SCSIDVDR100::FinishWrite] Retry %d/%d", attempt, RetryCount()));
    Report();
    host::Sleep(10);
  }
  AddLog("SCSIDVDR100::FinishWrite() done.");
  return true;
}
