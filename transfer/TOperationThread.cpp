// TOperationThread: construction, the thread body, the notifications, the
// step table and the checks shared by the operations.
#include "transfer/TOperationThread.h"

#include <utility>

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "base/TextFormat.h"
#include "devices/SCSIDEV.h"
#include "host/aspi/ScsiVocabulary.h"
#include "host/os/Sleep.h"
#include "host/ui/MessageBox.h"
#include "transfer/MediumLock.h"
#include "transfer/WriterGroup.h"

namespace {

// The progress line of each phase: test, write, copy, verify.
constexpr const char* kProgressLines[] = {"%d%% test written.", "%d%% real written.", "%d%% copied.",
                                          "%d%% verified."};

}  // namespace

// One step of an operation: the code bit that takes it, the progress row it
// moves, its comment line and the box when it fails.
struct TOperationThread::StepRow {
  Step step;
  uint16_t bit;
  int phase;
  const char* comment;
  const char* failed;
};

TOperationThread::TOperationThread(OperationDialog& dialog, OperationRequest request)
    : dialog_(dialog), request_(std::move(request)), volumeSize_(request_.volume.volumeSize) {}

TOperationThread::~TOperationThread() {
  Terminate();
  WaitFor();
}

void TOperationThread::JoinGroup(WriterGroup& group, size_t member) {
  group_ = &group;
  member_ = member;
}

std::string TOperationThread::BoxCaption() const {
  if (group_ == nullptr) return ProgramName;
  return std::string(ProgramName) + " - " + group_->Name(member_);
}

void TOperationThread::Start() {
  running_.store(true);
  ending_ = Ending{};
  ending_.succeeded = true;
  percent_ = 0;
  verifyRan_ = false;
  host::Thread::Start();
}

void TOperationThread::Execute() {
  ending_.canceled = false;
  ending_.errorShown = false;
  bool ok = false;
  {
    ui::BusyCursor busy;
    volumeSize_ = dialog_.CurrentVolumeSize();
    if (volumeSize_ > kLargestVolumeBytes) {
      // Its sectors would be counted modulo 2^32: a huge pattern would write
      // one sector and close the disc as done. Refused before anything is
      // touched.
      NotifyOperationError(FormatText("The volume size (%s bytes) is too large: at most 4,294,967,295 sectors (%s "
                                      "bytes) can be transferred.",
                                      FormatNumber(volumeSize_).c_str(), FormatNumber(kLargestVolumeBytes).c_str()));
    } else if (FamilyOf(request_.operation) == OperationFamily::Write) {
      ok = request_.pattern ? PatternWrite() : NormalWrite();
      if (request_.destination.IsDevice()) request_.destination.device->StartStopUnit(aspi::startstop::kStop);
    } else {
      ok = CopySingleMode();
    }
  }
  // The total of the verify, whatever its boxes said along the way.
  if (verifyRan_) AddLog("Verify result: " + FormatNumber(ending_.differences) + " differing steps.");
  if (!ending_.canceled && ok) {
    ending_.closeAtEnd = true;
  } else {
    ending_.succeeded = false;
  }
  // Several writers: the others no longer wait for this one.
  if (group_ != nullptr) group_->Leave(member_);
  running_.store(false);
  NotifyResult();
}

bool TOperationThread::RunSteps(const std::function<bool(Step)>& runStep) {
  static constexpr StepRow kSteps[] = {
      {Step::Test, opcode::kTest, 0, "Now test writing ...", "Test Writing failed."},
      {Step::Write, opcode::kWrite, 1, "Now writing ...", "Writing failed."},
      {Step::Copy, opcode::kCopy, 2, "Now copying ...", "Copying failed."},
      {Step::Verify, opcode::kVerify, 3, "Now verifying ...", "Verifying failed."},
  };
  for (const StepRow& row : kSteps) {
    if (!Has(request_.operation, row.bit)) continue;
    if (row.step == Step::Test) testFlag_ = 1;
    if (row.step == Step::Write) testFlag_ = 0;
    if (row.step == Step::Verify) verifyRan_ = true;
    phase_ = row.phase;
    dialog_.SetComment(row.comment);
    if (!runStep(row.step)) {
      ui::MessageBox(row.failed, BoxCaption(), ui::kIconError);
      return false;
    }
  }
  return true;
}

PassSides TOperationThread::SidesTo(const Endpoint& destination) const {
  PassSides sides;
  sides.source = request_.source;
  sides.sourceStart = request_.volume.volumeOffset;
  sides.destination = destination;
  sides.size = volumeSize_;
  return sides;
}

bool TOperationThread::RunPass(Step step, const Endpoint& destination) {
  PassSides sides = SidesTo(destination);
  sides.recording = step == Step::Write;
  // Several writers read the source once for all, each from its seat.
  std::unique_ptr<PassSeat> seat;
  if (group_ != nullptr) {
    // The pass is known by its progress row: a test and a real write are
    // both write steps.
    seat = group_->JoinPass(member_, phase_, sides);
    sides.seat = seat.get();
  }
  if (sides.destination.IsDevice())
    BeginPassReport(sides.destination.device, 0, sides.size);
  else
    BeginPassReport(sides.source.device, sides.sourceStart, sides.size);
  DataPass pass(*this, std::move(sides));
  PassOutcome outcome = step == Step::Verify ? pass.Verify() : pass.Write();
  EndPassReport();
  if (outcome.canceled) ending_.canceled = true;
  ending_.differences += outcome.differences;
  // A failed write pass closes the dialog after its result box.
  if (!outcome.ok && step != Step::Verify) ending_.closeAtEnd = true;
  return outcome.ok;
}

void TOperationThread::ShowStartPercent(int percent) {
  percent_ = percent;
  NotifyProgress();
}

void TOperationThread::BeginPassReport(SCSIDEV* disc, uint64_t start, uint64_t total) {
  PassMeter::PassStart pass;
  if (disc != nullptr) pass.writer = disc->Address();
  pass.phase = phase_;
  pass.pattern = request_.pattern;
  pass.startPosition = start;
  pass.total = total;
  meter_.Begin(pass, PassMeter::Clock::now());
}

void TOperationThread::EndPassReport() { meter_.End(PassMeter::Clock::now()); }

bool TOperationThread::ShowPercent(uint64_t done, uint64_t total) {
  meter_.Sample(done, total, PassMeter::Clock::now());
  // An empty pass has nothing left to do: it is complete.
  int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
  if (percent > percent_) {
    percent_ = percent;
    NotifyProgress();
  }
  return percent >= 100;
}

void TOperationThread::NotifyProgress() {
  host::Thread::Synchronize([this, report = meter_.Current()] {
    dialog_.ShowProgress(phase_, percent_);
    dialog_.ShowPassProgress(report);
    if (phase_ >= 0 && phase_ < 4) AddLog(FormatText(kProgressLines[phase_], percent_));
  });
}

void TOperationThread::NotifyOperationError(const std::string& text) {
  host::Thread::Synchronize([this, &text] {
    ui::MessageBox(text, BoxCaption(), ui::kIconError);
    dialog_.OperationErrorShown();
    AddLog(text);
  });
}

bool TOperationThread::NotifyAskWriteMode() {
  bool roundDown = false;
  host::Thread::Synchronize([this, &roundDown] { roundDown = dialog_.AskWriteMode(); });
  return roundDown;
}

void TOperationThread::NotifyResult() {
  host::Thread::Synchronize([this] {
    if (group_ != nullptr) {
      // One of several writers: the operation's end lists every writer's
      // result at once, so this one shows no box of its own.
      ending_.result = ending_.errorShown ? OperationResult::ErrorShown
                       : ending_.canceled ? OperationResult::Canceled
                       : ending_.succeeded ? OperationResult::Done
                                           : OperationResult::Failed;
      dialog_.OperationEnded(ending_.result, false);
      return;
    }
    if (ending_.errorShown) {
      ending_.errorShown = false;
      ending_.result = OperationResult::ErrorShown;
    } else if (ending_.canceled) {
      ending_.result = OperationResult::Canceled;
      ui::MessageBox("Operation canceled.", ProgramName, ui::kIconInformation);
    } else if (ending_.succeeded) {
      ending_.closeAtEnd = true;
      ending_.result = OperationResult::Done;
      ui::MessageBox("Operation done.", ProgramName, ui::kIconInformation);
    } else {
      ending_.result = OperationResult::Failed;
      ui::MessageBox("Operation failed.", ProgramName, ui::kIconError);
    }
    dialog_.OperationEnded(ending_.result, ending_.closeAtEnd);
  });
}

void TOperationThread::LogSteps() const {
  if (Has(request_.operation, opcode::kTest)) AddLog("Do test writing");
  if (Has(request_.operation, opcode::kWrite)) AddLog("Do real writing");
  if (Has(request_.operation, opcode::kVerify)) AddLog("Do verifying");
}

void TOperationThread::Cancel(bool closeAtEnd) {
  ending_.canceled = true;
  if (closeAtEnd) ending_.closeAtEnd = true;
}

bool TOperationThread::PauseBeforeWrite(MediumLock& lock) {
  for (int second = 0; second < 12; ++second) {
    host::Sleep(1000);
    if (Terminated()) {
      lock.EjectNow();
      Cancel();
      AddLog("Operation canceled by user instruction.");
      return true;
    }
  }
  return false;
}

bool TOperationThread::CheckWriter(SCSIDEV& writer, bool capacity, const char* notReadyLog, uint64_t& size) {
  writer.TestUnitReady();
  host::Sleep(1000);
  const uint32_t busyBefore = writer.Channel().BusyAnswers();
  size = capacity ? writer.GetCapacity() : writer.GetFreeSize();
  if (writer.Channel().BusyAnswers() != busyBefore) {
    // The size was never asked of the drive: 0 would read as a full disc.
    NotifyOperationError(std::string("The SCSI manager was busy: the ") + (capacity ? "size" : "free space") +
                         " of the disc could not be read. Please try again.");
    ending_.succeeded = false;
    return false;
  }
  aspi::Sense sense;
  writer.GetSense(&sense.key, &sense.asc, &sense.ascq);
  if (aspi::sense::IsNotReady(sense)) {
    NotifyOperationError("Target drive is not ready.");
    ending_.errorShown = true;
    Cancel();
    AddLog(notReadyLog);
    return false;
  }
  if (sense.key != aspi::sense::kNoSenseKey) {
    writer.ReportError(nullptr, true, false);
    ending_.succeeded = false;
    return false;
  }
  if (size == 0) {
    NotifyOperationError("The disc has no free space for write in disc at once mode.");
    writer.PreventAllowMediumRemoval(aspi::removal::kAllow);
    return false;
  }
  return true;
}
