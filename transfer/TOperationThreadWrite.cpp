// TOperationThread: writing a volume onto a DVD-R writer, with the optional
// test write before it and verify after it.
#include "base/Log.h"
#include "base/NumberText.h"
#include "devices/SCSIDEV.h"
#include "host/os/Sleep.h"
#include "base/TextFormat.h"
#include "transfer/TOperationThread.h"

namespace {

constexpr uint16_t kVerifyOnly = 0x81;
constexpr uint32_t kSector2K = 2048;
constexpr int kSingleMode = 1;
constexpr int kRoundDownMode = 3;

}  // namespace

bool TOperationThread::NormalWrite() {
  AddLog("\r\n[TOperationThread::NormalWrite]");
  AddLog("Voleme size: " + FormatNumber(volumeSize_) + " bytes.");
  TakeSteps();
  if (volumeSize_ == 0) {
    errorText_ = "Volume size is 0";
    NotifyOperationError();
    return false;
  }
  SCSIDEV& writer = *destinationDevice_;
  if (!writer.StartStopUnit(3)) AddLog(writer.LastErrorText());

  uint64_t free = 0;
  if (code_ == kVerifyOnly) {
    writeMode_ = kSingleMode;
  } else {
    if (!CheckWriter(writer, false, "Operation canceled by user instruction.", free)) return false;
    AddLog(FormatText("DiscFreeSpace: %s Size (%08XH Sectors).", FormatNumber(free).c_str(),
                            static_cast<uint32_t>(CeilDiv64(free, kSector2K))));
    if (free < volumeSize_) {
      NotifyAskWriteMode();
      if (writeModeChoice_ == 0) {
        canceled_ = true;
        closeAtEnd_ = true;
        AddLog("Operation canceled by user instruction.");
        return false;
      }
      writeMode_ = kRoundDownMode;
    } else {
      writeMode_ = kSingleMode;
    }
  }
  if (writeMode_ == kSingleMode) {
    AddLog("\r\n[Writing - Single Mode]");
  } else {
    AddLog("\r\n[Writing - Round Down Mode]");
    volumeSize_ = free;
  }
  return WriteSequence();
}

bool TOperationThread::WriteSequence() {
  TakeSteps();
  percent_ = 0;
  SCSIDEV& writer = *destinationDevice_;
  if (doTest_) {
    testFlag_ = 1;
    phase_ = 0;
    dialog_.SetComment("Now test writing ...");
    if (!WritePass(sourceIsFile_, sourceFile_, volumeSize_, writer, sourceStart_, sourceDevice_)) {
      StepFailedBox("Test Writing failed.");
      return false;
    }
  }
  if (doWrite_) {
    testFlag_ = 0;
    phase_ = 1;
    dialog_.SetComment("Now writing ...");
    if (!WritePass(sourceIsFile_, sourceFile_, volumeSize_, writer, sourceStart_, sourceDevice_)) {
      StepFailedBox("Writing failed.");
      return false;
    }
  }
  if (!doVerify_) return true;

  phase_ = 3;
  dialog_.SetComment("Now verifying ...");
  LockMedium(writer, "Prevent MediumRemovable failed. (continue verifying...)");
  host::Sleep(1000);
  if (!VerifyCore(sourceIsFile_, sourceFile_, volumeSize_, 0, volumeSize_, 0, &writer, std::string(), false,
                  sourceStart_, sourceDevice_)) {
    StepFailedBox("Verifying failed.");
    // The disc is given back also after a failed verify.
    UnlockAndEject(writer, "Allow MediumRemovable failed.");
    return false;
  }
  UnlockAndEject(writer, "Allow MediumRemovable failed.");
  return true;
}

bool TOperationThread::WritePass(bool sourceIsFile, const std::string& sourceFile, uint64_t volumeSize,
                                 SCSIDEV& writer, uint64_t sourceStart, SCSIDEV* sourceDevice) {
  LockMedium(writer, "Prevent MediumRemovable failed. (continue writing...)");
  if (PauseBeforeWrite(writer)) return true;

  uint32_t sectors = static_cast<uint32_t>(CeilDiv64(volumeSize, kSector2K));
  AddLog(FormatText("WriteSectors: %d(%XH)", sectors, sectors));
  bool ok = writer.SetWritingConfig(sectors, testFlag_, 0);
  if (ok) {
    ok = WriteCore(sourceIsFile, sourceFile, volumeSize, 0, volumeSize, 0, &writer, std::string(), false,
                   sourceStart, sourceDevice);
    if (ok && !canceled_) {
      dialog_.EnableCancel(false);
      dialog_.SetComment("Now writing leadout... Please wait several minutes.");
      ok = writer.FinishWrite();
      dialog_.EnableCancel(true);
    }
  }
  if (!ok) succeeded_ = false;
  UnlockAndEject(writer, "Allow MediumRemovable failed. (continue writing...)");
  return ok;
}
