// SPDX-License-Identifier: GPL-3.0-or-later
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
#include "base/TextFormat.h"
#include "devices/NoDisc.h"
#include "devices/SCSIDEV.h"
#include "host/aspi/ScsiVocabulary.h"
#include "host/os/Sleep.h"
#include "host/ui/MessageBox.h"
#include "operation/OperationTexts.h"
#include "operation/TOperationThread.h"
#include "scsi/BigEndian.h"
#include "transfer/MediumLock.h"
#include "volume/DifferenceLog.h"

namespace {

constexpr uint32_t kSector2K = 2048;
constexpr uint32_t kWordsPerSector = kSector2K / 4;
constexpr uint32_t kBlockSectors = 16;
// A writer that never stops reporting busy after a cancel is given up on
// after this many one-second polls, as long as the longest leadout.
constexpr int kMostBusyPolls = 900;
constexpr const char* kEjectFailed = "Allow MediumRemovable failed. (continue writing...)";

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
  LogSteps();
  percent_ = 0;
  if (patternSectors_ == 0) {
    // One box that says what to do; no "Operation failed." after it.
    ending_.errorShown = true;
    NotifyOperationError(std::string("Number of write sectors is 0.\r\n") + kChooseSizeHint);
    return false;
  }
  SCSIDEV& writer = *request_.destination.device;
  if (!writer.StartStopUnit(aspi::startstop::kLoadAndStart)) AddLog(writer.LastErrorText());
  if (RefusedMedium(writer)) return false;

  bool capacity = request_.operation == Operation::VerifyDisc;
  uint64_t size = 0;
  if (!CheckWriter(writer, capacity, "Operation canceled for drive being not ready.", size)) return false;
  NoteMedium(writer, size);
  AddLog(FormatText(capacity ? "DiscSize: %s bytes (%08XH Sectors)." : "DiscFreeSize: %s bytes (%08XH Sectors).",
                    FormatNumber(size).c_str(), static_cast<uint32_t>(CeilDiv64(size, kSector2K))));

  if (static_cast<uint64_t>(patternSectors_) * kSector2K > size) {
    int answer = ui::MessageBox("Specified volume size is too big.\r\nDo you wish to let volume size disc size?",
                                ProgramName, ui::kYesNo | ui::kIconQuestion);
    if (answer != ui::kIdYes) {
      Cancel();
      return false;
    }
    volumeSize_ = size;
    patternSectors_ = static_cast<uint32_t>(CeilDiv64(size, kSector2K));
    AddLog(FormatText("PatternWriteSectors: %d(%XH)", patternSectors_, patternSectors_));
  }

  return RunSteps([&](Step step) {
    return step == Step::Verify ? PatternVerify(writer, patternSectors_) : PatternPass(writer, patternSectors_);
  });
}

bool TOperationThread::PatternPass(SCSIDEV& writer, uint32_t sectors) {
  AddLog(FormatText("WriteSectors: %d(%XH)", sectors, sectors));
  if (!writer.StartStopUnit(aspi::startstop::kLoadAndStart)) AddLog(writer.LastErrorText());
  if (writer.WaitNoMedium(0)) {
    ending_.errorShown = true;
    std::string none = NoDiscIn(writer);
    NotifyOperationError(none.empty() ? "No disc in the drive." : none);
    Cancel();
    return false;
  }
  writer.PreventAllowMediumRemoval(aspi::removal::kPrevent);
  std::string text;
  if (!writer.GetSense(nullptr, nullptr, nullptr, &text)) AddLog(writer.LastErrorText() + "\r\nContinue writing...");
  MediumLock lock = MediumLock::Adopt(writer, kEjectFailed);
  if (!EjectAfterStep()) lock.KeepDisc();
  if (PauseBeforeWrite(lock)) return true;

  BeginPassReport(&writer, 0, uint64_t{sectors} * kSector2K);
  ShowStartPercent(0);
  bool ok = writer.SetWritingConfig(sectors, testFlag_, 0);
  if (ok) {
    for (uint32_t done = 0; done < sectors;) {
      if (Terminated()) {
        // Data already sent are still being written: wait until the writer
        // is no longer busy with them before it is given back.
        aspi::Sense sense;
        int polls = 0;
        do {
          AddLog("Terminate in progress ...");
          host::Sleep(1000);
          writer.TestUnitReady();
          writer.GetSense(&sense.key, &sense.asc, &sense.ascq);
          writer.ReportError(nullptr, false, true);
        } while (aspi::sense::IsBusy(sense) && ++polls < kMostBusyPolls);
        Cancel();
        AddLog("Operation canceled by user instruction.");
        AddLog("Terminate break.");
        break;
      }
      uint32_t address = done;
      uint32_t count = std::min(kBlockSectors, sectors - done);
      BuildPatternSectors(area_.A(), address, kBlockSectors);
      ok = writer.FitsBuffer(count * kSector2K, TransferArea::kHalf) &&
           writer.Write(address, area_.A(), count * kSector2K);
      if (!ok) break;
      done += count;
      if (ShowPercent(uint64_t{done} * kSector2K, uint64_t{sectors} * kSector2K)) break;
    }
    EndPassReport();
    if (ok && !ending_.canceled) {
      dialog_.EnableCancel(false);
      dialog_.SetComment("Now writing leadout... Please wait several minutes.");
      ok = writer.FinishWrite();
      dialog_.EnableCancel(true);
    }
  }
  if (!ok) ending_.succeeded = false;
  return ok;
}

bool TOperationThread::PatternVerify(SCSIDEV& writer, uint32_t sectors) {
  MediumLock lock(writer, "Prevent MediumRemovable failed. (continue writing...)", kEjectFailed);
  if (!EjectAfterStep()) lock.KeepDisc();
  if (PauseBeforeWrite(lock)) return true;
  AddLog(FormatText("WriteSectors: %d(%XH)", sectors, sectors));
  BeginPassReport(&writer, 0, uint64_t{sectors} * kSector2K);
  ShowStartPercent(0);

  bool ok = true;
  DifferenceLog differenceLog;
  for (uint32_t done = 0; done < sectors;) {
    if (Terminated()) {
      Cancel();
      AddLog("Operation canceled by user instruction.");
      break;
    }
    uint32_t address = done;
    uint32_t count = std::min(kBlockSectors, sectors - done);
    BuildPatternSectors(area_.A(), address, kBlockSectors);
    ok = writer.FitsBuffer(count * kSector2K, TransferArea::kHalf) &&
         writer.Read(address, area_.B(), count * kSector2K);
    if (!ok) break;
    uint32_t bytes = count * kSector2K;
    if (std::memcmp(area_.A(), area_.B(), bytes) != 0) {
      ++ending_.differences;
      AddLog(FormatText("transBlock*SIZE_2K: %d\r\n", bytes));
      std::string message = FormatText("Verify: Data are different at LBA %XH ~ %XH.\r\nDo you wish to quit verifying?",
                                       address, address + count);
      AddLog(message);
      differenceLog.Step(area_.A(), area_.B(), bytes);
      if (ui::MessageBox(message, ProgramName, ui::kYesNo | ui::kIconError) == ui::kIdYes) break;
    }
    done += count;
    if (ShowPercent(uint64_t{done} * kSector2K, uint64_t{sectors} * kSector2K)) break;
  }
  EndPassReport();
  differenceLog.End();
  if (!ok) writer.ReportError(nullptr, true, false);
  return ok;
}
