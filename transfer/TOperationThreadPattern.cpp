// TOperationThread: the test pattern. Every 32-bit word of the pattern holds
// its own position (sector s holds s, s + 1, ..., s + 511, big-endian), so a
// read-back names exactly the sectors that differ. Blocks of 16 sectors are
// built in place in the first half of the transfer area; the verify reads
// into the second half.
#include <algorithm>
#include <cstring>

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "devices/SCSIDEV.h"
#include "host/os/Sleep.h"
#include "host/ui/MessageBox.h"
#include "scsi/BigEndian.h"
#include "base/TextFormat.h"
#include "transfer/TOperationThread.h"
#include "volume/DiffDetail.h"

namespace {

constexpr uint16_t kVerifyOnly = 0x81;
constexpr uint32_t kSector2K = 2048;
constexpr uint32_t kWordsPerSector = kSector2K / 4;
constexpr uint32_t kBlockSectors = 16;
// A writer that never stops reporting busy after a cancel is given up on
// after this many one-second polls, as long as the longest leadout.
constexpr int kMostBusyPolls = 900;

}  // namespace

void TOperationThread::BuildPatternSectors(uint8_t* area, uint32_t firstLba, uint32_t sectorCount) {
  for (uint32_t sector = 0; sector < sectorCount; ++sector) {
    uint32_t value = firstLba + sector;
    uint8_t* words = area + static_cast<size_t>(sector) * kSector2K;
    for (uint32_t k = 0; k < kWordsPerSector; ++k) scsi::PutBE32(words + 4 * k, value + k);
  }
}

bool TOperationThread::PatternWrite() {
  AddLog("\r\n[TOperationThread::PatternWrite]");
  patternSectors_ = static_cast<uint32_t>(CeilDiv64(volumeSize_, kSector2K));
  AddLog(FormatText("PatternWriteSectors: %d(%XH)", patternSectors_, patternSectors_));
  TakeSteps();
  percent_ = 0;
  if (patternSectors_ == 0) {
    errorText_ = "Number of write sectors is 0.";
    NotifyOperationError();
    return false;
  }
  SCSIDEV& writer = *destinationDevice_;
  if (!writer.StartStopUnit(3)) AddLog(writer.LastErrorText());

  bool capacity = code_ == kVerifyOnly;
  uint64_t size = 0;
  if (!CheckWriter(writer, capacity, "Operation canceled for drive being not ready.", size)) return false;
  AddLog(FormatText(capacity ? "DiscSize: %s bytes (%08XH Sectors)." : "DiscFreeSize: %s bytes (%08XH Sectors).",
                          FormatNumber(size).c_str(), static_cast<uint32_t>(CeilDiv64(size, kSector2K))));

  if (static_cast<uint64_t>(patternSectors_) * kSector2K > size) {
    int answer = ui::MessageBox("Specified volume size is too big.\r\nDo you wish to let volume size disc size?",
                                ProgramName, ui::kYesNo | ui::kIconQuestion);
    if (answer != ui::kIdYes) {
      canceled_ = true;
      return false;
    }
    volumeSize_ = size;
    patternSectors_ = static_cast<uint32_t>(CeilDiv64(size, kSector2K));
    AddLog(FormatText("PatternWriteSectors: %d(%XH)", patternSectors_, patternSectors_));
  }

  if (doTest_) {
    testFlag_ = 1;
    phase_ = 0;
    dialog_.SetComment("Now test writing ...");
    if (!PatternPass(writer, patternSectors_)) {
      StepFailedBox("Test Writing failed.");
      return false;
    }
  }
  if (doWrite_) {
    testFlag_ = 0;
    phase_ = 1;
    dialog_.SetComment("Now writing ...");
    if (!PatternPass(writer, patternSectors_)) {
      StepFailedBox("Writing failed.");
      return false;
    }
  }
  if (doVerify_) {
    phase_ = 3;
    dialog_.SetComment("Now verifying ...");
    if (!PatternVerify(writer, patternSectors_)) {
      StepFailedBox("Verifying failed.");
      return false;
    }
  }
  return true;
}

bool TOperationThread::PatternPass(SCSIDEV& writer, uint32_t sectors) {
  AddLog(FormatText("WriteSectors: %d(%XH)", sectors, sectors));
  if (!writer.StartStopUnit(3)) AddLog(writer.LastErrorText());
  if (writer.WaitNoMedium(0)) {
    errorShown_ = true;
    errorText_ = "No disc in the drive.";
    NotifyOperationError();
    canceled_ = true;
    return false;
  }
  writer.PreventAllowMediumRemoval(1);
  std::string text;
  if (!writer.GetSense(nullptr, nullptr, nullptr, &text)) AddLog(writer.LastErrorText() + "\r\nContinue writing...");
  if (PauseBeforeWrite(writer)) return true;

  percent_ = 0;
  NotifyProgress();
  bool ok = writer.SetWritingConfig(sectors, testFlag_, 0);
  if (ok) {
    for (uint32_t done = 0; done < sectors;) {
      if (Terminated()) {
        // Data already sent are still being written: wait until the writer
        // is idle before it is given back.
        uint8_t key = 0, asc = 0, ascq = 0;
        int polls = 0;
        do {
          AddLog("Terminate in progress ...");
          host::Sleep(1000);
          writer.TestUnitReady();
          writer.GetSense(&key, &asc, &ascq);
          writer.ReportError(nullptr, false, true);
        } while ((key == 2 || asc == 0x04 || ascq == 0x07 || ascq == 0x08) && ++polls < kMostBusyPolls);
        canceled_ = true;
        AddLog("Operation canceled by user instruction.");
        AddLog("Terminate break.");
        break;
      }
      uint32_t address = done;
      uint32_t count = std::min(kBlockSectors, sectors - done);
      BuildPatternSectors(BufferA(), address, kBlockSectors);
      ok = writer.Write(address, BufferA(), count * kSector2K);
      if (!ok) break;
      done += count;
      if (UpdatePercent(done, sectors)) break;
    }
    if (ok && !canceled_) {
      dialog_.EnableCancel(false);
      dialog_.SetComment("Now writing leadout... Please wait several minutes.");
      ok = writer.FinishWrite();
      dialog_.EnableCancel(true);
    }
  }
  if (!ok) succeeded_ = false;
  writer.StartStopUnit(0);
  writer.PreventAllowMediumRemoval(0);
  if (!writer.StartStopUnit(2)) AddLog("Allow MediumRemovable failed. (continue writing...)");
  return ok;
}

bool TOperationThread::PatternVerify(SCSIDEV& writer, uint32_t sectors) {
  LockMedium(writer, "Prevent MediumRemovable failed. (continue writing...)");
  if (PauseBeforeWrite(writer)) return true;
  AddLog(FormatText("WriteSectors: %d(%XH)", sectors, sectors));
  percent_ = 0;
  NotifyProgress();

  bool ok = true;
  for (uint32_t done = 0; done < sectors;) {
    if (Terminated()) {
      canceled_ = true;
      AddLog("Operation canceled by user instruction.");
      break;
    }
    uint32_t address = done;
    uint32_t count = std::min(kBlockSectors, sectors - done);
    BuildPatternSectors(BufferA(), address, kBlockSectors);
    ok = writer.Read(address, BufferB(), count * kSector2K);
    if (!ok) break;
    uint32_t bytes = count * kSector2K;
    if (std::memcmp(BufferA(), BufferB(), bytes) != 0) {
      AddLog(FormatText("transBlock*SIZE_2K: %d\r\n", bytes));
      std::string message = FormatText(
          "Verify: Data are different at LBA %XH ~ %XH.\r\nDo you wish to quit verifying?", address, address + count);
      AddLog(message);
      DiffDetail(BufferA(), BufferB(), bytes);
      if (ui::MessageBox(message, ProgramName, ui::kYesNo | ui::kIconError) == ui::kIdYes) break;
    }
    done += count;
    if (UpdatePercent(done, sectors)) break;
  }
  if (!ok) writer.ReportError(nullptr, true, false);
  UnlockAndEject(writer, "Allow MediumRemovable failed. (continue writing...)");
  return ok;
}
