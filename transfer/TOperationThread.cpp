// TOperationThread: construction, the thread body, the notifications and the
// medium steps shared by the operations.
#include "transfer/TOperationThread.h"

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "devices/SCSIDEV.h"
#include "host/os/Sleep.h"
#include "host/ui/MessageBox.h"
#include "base/TextFormat.h"
#include "transfer/TWorkThread.h"

namespace {

constexpr uint16_t kVerifyBit = 0x01;
constexpr uint16_t kWriteBit = 0x02;
constexpr uint16_t kTestBit = 0x04;
constexpr uint16_t kWriterBit = 0x80;

// The progress line of each phase: test, write, copy, verify.
constexpr const char* kProgressLines[] = {"%d%% test written.", "%d%% real written.", "%d%% copied.",
                                          "%d%% verified."};

// START STOP UNIT byte 4 values and PREVENT ALLOW MEDIUM REMOVAL values.
constexpr uint8_t kLoadAndStart = 3;
constexpr uint8_t kStop = 0;
constexpr uint8_t kEject = 2;
constexpr uint8_t kPrevent = 1;
constexpr uint8_t kAllow = 0;

}  // namespace

TOperationThread::TOperationThread(OperationDialog& dialog, uint16_t code) : dialog_(dialog), code_(code) {}

TOperationThread::TOperationThread(OperationDialog& dialog, SCSIDEV& writer, uint16_t code, uint32_t writeSectors)
    : TOperationThread(dialog, static_cast<uint16_t>(code | kWriterBit)) {
  patternMode_ = true;
  destinationDevice_ = &writer;
  patternSectors_ = writeSectors;
}

TOperationThread::TOperationThread(OperationDialog& dialog, SCSIDEV& source, uint16_t code, uint64_t sourceStart,
                                   uint64_t volumeSize, std::string volumeName, SCSIDEV& destination)
    : TOperationThread(dialog, code) {
  sourceDevice_ = &source;
  destinationDevice_ = &destination;
  sourceStart_ = sourceStart;
  volumeSize_ = volumeSize;
  volumeName_ = std::move(volumeName);
}

TOperationThread::TOperationThread(OperationDialog& dialog, SCSIDEV& source, uint16_t code, uint64_t sourceStart,
                                   uint64_t volumeSize, std::string volumeName, std::string destinationFile)
    : TOperationThread(dialog, code) {
  sourceDevice_ = &source;
  destinationFile_ = std::move(destinationFile);
  destinationIsFile_ = true;
  sourceStart_ = sourceStart;
  volumeSize_ = volumeSize;
  volumeName_ = std::move(volumeName);
}

TOperationThread::TOperationThread(OperationDialog& dialog, std::string sourceFile, uint16_t code,
                                   uint64_t sourceStart, uint64_t volumeSize, std::string volumeName,
                                   SCSIDEV& destination)
    : TOperationThread(dialog, code) {
  sourceFile_ = std::move(sourceFile);
  sourceIsFile_ = true;
  destinationDevice_ = &destination;
  sourceStart_ = sourceStart;
  volumeSize_ = volumeSize;
  volumeName_ = std::move(volumeName);
  testFlag_ = (code & kTestBit) != 0 ? 1 : 0;
  doWrite_ = (code & kWriteBit) != 0;
  doVerify_ = (code & kVerifyBit) != 0;
}

TOperationThread::TOperationThread(OperationDialog& dialog, std::string sourceFile, uint16_t code,
                                   uint64_t sourceStart, uint64_t volumeSize, std::string volumeName,
                                   std::string destinationFile)
    : TOperationThread(dialog, code) {
  sourceFile_ = std::move(sourceFile);
  sourceIsFile_ = true;
  destinationFile_ = std::move(destinationFile);
  destinationIsFile_ = true;
  sourceStart_ = sourceStart;
  volumeSize_ = volumeSize;
  volumeName_ = std::move(volumeName);
}

TOperationThread::~TOperationThread() {
  Terminate();
  WaitFor();
}

void TOperationThread::Start() {
  running_.store(true);
  succeeded_ = true;
  errorShown_ = false;
  closeAtEnd_ = false;
  percent_ = 0;
  host::Thread::Start();
}

void TOperationThread::Execute() {
  canceled_ = false;
  errorShown_ = false;
  // The cursor belongs to the GUI thread: set it there.
  host::Thread::Synchronize([] { ui::SetBusyCursor(true); });
  volumeSize_ = dialog_.CurrentVolumeSize();
  bool ok;
  if ((code_ & kWriterBit) != 0) {
    ok = patternMode_ ? PatternWrite() : NormalWrite();
    if (destinationDevice_ != nullptr) destinationDevice_->StartStopUnit(kStop);
  } else {
    ok = CopySingleMode();
  }
  host::Thread::Synchronize([] { ui::SetBusyCursor(false); });
  if (!canceled_ && ok) {
    closeAtEnd_ = true;
  } else {
    succeeded_ = false;
  }
  running_.store(false);
  NotifyResult();
}

void TOperationThread::NotifyProgress() {
  host::Thread::Synchronize([this] {
    dialog_.ShowProgress(phase_, percent_);
    if (phase_ >= 0 && phase_ < 4) AddLog(FormatText(kProgressLines[phase_], percent_));
  });
}

void TOperationThread::NotifyOperationError() {
  host::Thread::Synchronize([this] {
    ui::MessageBox(errorText_, ProgramName, ui::kIconError);
    dialog_.OperationErrorShown();
    AddLog(errorText_);
  });
}

void TOperationThread::NotifyAskWriteMode() {
  host::Thread::Synchronize([this] { writeModeChoice_ = dialog_.AskWriteMode() ? 3 : 0; });
}

void TOperationThread::NotifyResult() {
  host::Thread::Synchronize([this] {
    OperationResult result;
    if (errorShown_) {
      errorShown_ = false;
      result = OperationResult::ErrorShown;
    } else if (canceled_) {
      result = OperationResult::Canceled;
      ui::MessageBox("Operation canceled.", ProgramName, ui::kIconInformation);
    } else if (succeeded_) {
      closeAtEnd_ = true;
      result = OperationResult::Done;
      ui::MessageBox("Operation done.", ProgramName, ui::kIconInformation);
    } else {
      result = OperationResult::Failed;
      ui::MessageBox("Operation failed.", ProgramName, ui::kIconError);
    }
    dialog_.OperationEnded(result, closeAtEnd_);
  });
}

void TOperationThread::StepFailedBox(const char* text) { ui::MessageBox(text, ProgramName, ui::kIconError); }

void TOperationThread::TakeSteps() {
  doTest_ = (code_ & kTestBit) != 0;
  doWrite_ = (code_ & kWriteBit) != 0;
  doVerify_ = (code_ & kVerifyBit) != 0;
  if (doTest_) AddLog("Do test writing");
  if (doWrite_) AddLog("Do real writing");
  if (doVerify_) AddLog("Do verifying");
}

void TOperationThread::LockMedium(SCSIDEV& writer, const char* failText) {
  bool ok = writer.StartStopUnit(kLoadAndStart);
  writer.PreventAllowMediumRemoval(kPrevent);
  bool locked = writer.GetSense();
  if (!ok || !locked) AddLog(failText);
}

bool TOperationThread::PauseBeforeWrite(SCSIDEV& writer) {
  for (int second = 0; second < 12; ++second) {
    host::Sleep(1000);
    if (Terminated()) {
      writer.PreventAllowMediumRemoval(kAllow);
      writer.StartStopUnit(kEject);
      canceled_ = true;
      AddLog("Operation canceled by user instruction.");
      return true;
    }
  }
  return false;
}

void TOperationThread::UnlockAndEject(SCSIDEV& writer, const char* failText) {
  writer.StartStopUnit(kStop);
  writer.PreventAllowMediumRemoval(kAllow);
  bool ok = writer.StartStopUnit(kEject);
  if (!ok || !writer.GetSense()) AddLog(failText);
}

bool TOperationThread::CheckWriter(SCSIDEV& writer, bool capacity, const char* notReadyLog, uint64_t& size) {
  writer.TestUnitReady();
  host::Sleep(1000);
  size = capacity ? writer.GetCapacity() : writer.GetFreeSize();
  uint8_t key = 0, asc = 0, ascq = 0;
  writer.GetSense(&key, &asc, &ascq);
  if (key == 0x02 && (asc == 0x3A || asc == 0x04)) {
    errorText_ = "Target drive is not ready.";
    NotifyOperationError();
    errorShown_ = true;
    canceled_ = true;
    AddLog(notReadyLog);
    return false;
  }
  if (key != 0) {
    writer.ReportError(nullptr, true, false);
    succeeded_ = false;
    return false;
  }
  if (size == 0) {
    errorText_ = "The disc has no free space for write in disc at once mode.";
    NotifyOperationError();
    writer.PreventAllowMediumRemoval(kAllow);
    return false;
  }
  return true;
}

bool TOperationThread::UpdatePercent(uint64_t done, uint64_t total) {
  // An empty pass has nothing left to do: it is complete.
  int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
  if (percent > percent_) {
    percent_ = percent;
    NotifyProgress();
  }
  return percent >= 100;
}

void TOperationThread::EndWorker(std::unique_ptr<TWorkThread>& worker) {
  if (!worker) return;
  worker->Stop();
  while (worker->Running()) host::Sleep(1000);
  worker.reset();
}
