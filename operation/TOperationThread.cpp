// SPDX-License-Identifier: GPL-3.0-or-later
// TOperationThread: construction, the thread body, the notifications, the
// step table and the checks shared by the operations.
#include "operation/TOperationThread.h"

#include <optional>
#include <span>
#include <utility>

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "base/Sha256.h"
#include "base/TextFormat.h"
#include "devices/DeviceLine.h"
#include "devices/MediumRules.h"
#include "devices/NoDisc.h"
#include "devices/SCSIDEV.h"
#include "host/aspi/MmcVocabulary.h"
#include "host/aspi/ScsiVocabulary.h"
#include "host/os/Sleep.h"
#include "host/ui/MessageBox.h"
#include "operation/OperationTexts.h"
#include "operation/WriterGroup.h"
#include "scsi/UnitHold.h"
#include "transfer/MediumLock.h"

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
  const char* name;  // in the disc record
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
  cutFrom_ = 0;
  outcome_ = OperationOutcome{};
  started_ = std::chrono::steady_clock::now();
  stepsRan_ = false;
  passes_.clear();
  speeds_.Clear();
  medium_.reset();
  firstDifferences_.clear();
  sha256_.clear();
  recordWritten_.clear();
  host::Thread::Start();
}

void TOperationThread::Execute() {
  ending_.canceled = false;
  ending_.errorShown = false;
  startedAt_ = RecordTimeNow();
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
    } else if (!request_.pattern && !MayTakeShortSource()) {
      AddLog("Operation canceled by user instruction.");
    } else if (FamilyOf(request_.operation) == OperationFamily::Write) {
      // A write or test write holds the drive for this program alone.
      std::optional<scsi::UnitHold> hold;
      SCSIDEV* writer = request_.destination.device;
      if (writer != nullptr && (Has(request_.operation, opcode::kWrite) || Has(request_.operation, opcode::kTest)))
        hold.emplace(writer->Address(), DriveName(*writer));
      if (hold && !hold->Held()) {
        NotifyOperationError(hold->Refusal());
        ending_.errorShown = true;
      } else {
        ok = request_.pattern ? PatternWrite() : NormalWrite();
        if (writer != nullptr) writer->StartStopUnit(aspi::startstop::kStop);
      }
    } else {
      ok = CopySingleMode();
    }
  }
  // The total of the verify, whatever its boxes said along the way.
  if (verifyRan_) AddLog("Verify result: " + FormatNumber(ending_.differences) + " differing steps.");
  outcome_.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  AddLog("Elapsed time: " + DurationText(outcome_.seconds));
  if (!sha256_.empty()) AddLog("SHA-256 of the volume: " + sha256_);
  if (!ending_.canceled && ok) {
    ending_.closeAtEnd = true;
  } else {
    ending_.succeeded = false;
  }
  KeepRecord(ResultOfEnding());
  // Several writers: the others no longer wait for this one.
  if (group_ != nullptr) group_->Leave(member_);
  running_.store(false);
  NotifyResult();
}

bool TOperationThread::MayTakeShortSource() {
  const uint64_t declared = request_.volume.declaredSize;
  const bool writes = Has(request_.operation, opcode::kWrite | opcode::kTest | opcode::kCopy);
  if (!writes || declared <= volumeSize_) return true;
  // A file cut short (a copy that stopped midway) would be written as if it
  // were the volume; the person decides, No being the default.
  std::string question = ShortSourceText(request_.source.Describe(), volumeSize_, declared) +
                         "\r\nDo you wish to write it anyway?";
  AddLog(question);
  if (ui::MessageBox(question, ProgramName, ui::kYesNo | ui::kIconQuestion | ui::kDefButton2) == ui::kIdYes)
    return true;
  Cancel(true);
  return false;
}

bool TOperationThread::RunSteps(const std::function<bool(Step)>& runStep) {
  static constexpr StepRow kSteps[] = {
      {Step::Test, opcode::kTest, 0, "Now test writing ...", "Test Writing failed.", "test"},
      {Step::Write, opcode::kWrite, 1, "Now writing ...", "Writing failed.", "write"},
      {Step::Copy, opcode::kCopy, 2, "Now copying ...", "Copying failed.", "copy"},
      {Step::Verify, opcode::kVerify, 3, "Now verifying ...", "Verifying failed.", "verify"},
  };
  const StepRow* last = nullptr;
  for (const StepRow& row : kSteps)
    if (Has(request_.operation, row.bit)) last = &row;
  for (const StepRow& row : kSteps) {
    if (!Has(request_.operation, row.bit)) continue;
    if (ending_.declined) return true;  // nothing was written: nothing to verify
    // A step canceled ends the operation there: nothing after it starts.
    if (ending_.canceled) break;
    lastStep_ = &row == last;
    if (row.step == Step::Test) testFlag_ = 1;
    if (row.step == Step::Write) testFlag_ = 0;
    if (row.step == Step::Verify) verifyRan_ = true;
    phase_ = row.phase;
    dialog_.SetComment(row.comment);
    stepsRan_ = true;
    passAtStep_ = meter_.Current().pass;
    const bool canceledBefore = ending_.canceled;
    const bool ok = runStep(row.step);
    NotePass(row.name, ok, canceledBefore);
    if (!ok) {
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
  // The digest sees every byte the pass reads from its source. One pass of
  // the operation takes it: the write or copy (what the destination got), a
  // test write only when no write follows, a verify only when no earlier
  // pass gave it. Hashing the same bytes again would cost each later pass
  // the digest's whole processor time.
  Sha256 digest;
  const bool testWrite = step == Step::Write && testFlag_ != 0;
  const bool digestHere = step == Step::Copy || (step == Step::Write && !testWrite) ||
                          (testWrite && !Has(request_.operation, opcode::kWrite)) ||
                          (step == Step::Verify && sha256_.empty());
  if (digestHere)
    sides.sourceTap = [&digest](std::span<const uint8_t> bytes) { digest.Update(bytes.data(), bytes.size()); };
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
  for (const ByteRange& range : outcome.firstDifferences) {
    if (firstDifferences_.size() < PassOutcome::kDifferenceRanges) firstDifferences_.push_back(range);
  }
  // A pass that read the whole volume gives the volume's digest; a verify
  // the person quit early did not, nor one whose source file fell short.
  if (digestHere && outcome.ok && !outcome.canceled && !outcome.sourceShort && digest.Bytes() == volumeSize_) {
    if (std::optional<Sha256::Digest> value = digest.Final()) {
      sha256_ = Sha256::Hex(*value);
      AddLog("SHA-256 of the volume (" + FormatNumber(volumeSize_) + " bytes): " + sha256_);
    }
  }
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

void TOperationThread::EndPassReport() {
  meter_.End(PassMeter::Clock::now());
  speeds_.Add(meter_.Current());
}

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
  speeds_.Add(meter_.Current());
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

bool TOperationThread::NotifyAskWriteMode(uint64_t volumeBytes, uint64_t discBytes) {
  bool roundDown = false;
  host::Thread::Synchronize([&] { roundDown = dialog_.AskWriteMode(volumeBytes, discBytes); });
  return roundDown;
}

// How the operation ended, as its record says it; the result box decides
// the same way (ShowResultBox).
OperationResult TOperationThread::ResultOfEnding() const {
  if (ending_.errorShown) return OperationResult::ErrorShown;
  if (ending_.declined || ending_.canceled) return OperationResult::Canceled;
  if (ending_.succeeded && ending_.differences > 0) return OperationResult::Differences;
  if (ending_.succeeded) return OperationResult::Done;
  return OperationResult::Failed;
}

void TOperationThread::NotifyResult() {
  host::Thread::Synchronize([this] {
    if (group_ != nullptr) {
      // One of several writers: the operation's end lists every writer's
      // result at once, so this one shows no box of its own.
      ending_.result = ResultOfEnding();
      outcome_.result = ending_.result;
      outcome_.differences = ending_.differences;
      outcome_.sha256 = sha256_;
      outcome_.recordFile = recordWritten_;
      dialog_.OperationEnded(ending_.result, false);
      return;
    }
    // A question still open about the operation goes before its result.
    dialog_.OperationEnding();
    ShowResultBox();
    outcome_.result = ending_.result;
    outcome_.differences = ending_.differences;
    outcome_.sha256 = sha256_;
    outcome_.recordFile = recordWritten_;
    dialog_.OperationEnded(ending_.result, ending_.closeAtEnd);
  });
}

void TOperationThread::ShowResultBox() {
  std::string& text = outcome_.text;
  unsigned icon = ui::kIconInformation;
  if (ending_.errorShown) {
    ending_.errorShown = false;
    ending_.result = OperationResult::ErrorShown;
    return;
  }
  if (ending_.declined) {
    // The person said No to writing over the destination: nothing more to
    // say, and the dialog stays open for another choice.
    ending_.closeAtEnd = false;
    ending_.result = OperationResult::Canceled;
    return;
  }
  if (ending_.canceled) {
    ending_.result = OperationResult::Canceled;
    text = "Operation canceled.";
  } else if (ending_.succeeded && ending_.differences > 0) {
    // Not a success: the person must see it, so the dialog stays open.
    ending_.closeAtEnd = false;
    ending_.result = OperationResult::Differences;
    text = DifferencesText(ending_.differences);
    icon = ui::kIconExclamation;
  } else if (ending_.succeeded) {
    ending_.closeAtEnd = true;
    ending_.result = OperationResult::Done;
    text = "Operation done.";
    const bool cut = cutFrom_ > volumeSize_;
    if (cut) {
      text += "\r\n" + PartWrittenText(volumeSize_, cutFrom_);
      icon = ui::kIconExclamation;
    }
    // The digest of what the passes read whole: of a volume cut to the disc,
    // only its part on the disc.
    if (!sha256_.empty()) text += (cut ? "\r\nSHA-256 of the part written: " : "\r\nSHA-256 of the volume: ") + sha256_;
  } else {
    ending_.result = OperationResult::Failed;
    text = "Operation failed.";
    icon = ui::kIconError;
  }
  ui::MessageBox(text, ProgramName, icon);
}

bool TOperationThread::EjectAfterStep() const { return request_.ejectWhenDone || !lastStep_; }

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

bool TOperationThread::RefusedMedium(SCSIDEV& writer) {
  if (!Has(request_.operation, opcode::kWrite) && !Has(request_.operation, opcode::kTest)) return false;
  std::string refusal = writer.MediumRefusal(Has(request_.operation, opcode::kTest));
  if (refusal.empty()) return false;
  NotifyOperationError(refusal);
  ending_.errorShown = true;
  ending_.succeeded = false;
  return true;
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
    // Without a disc the person learns what to do; busy is "not ready".
    std::string none = sense.asc == aspi::sense::kAscMediumNotPresent ? NoDiscIn(writer) : std::string();
    NotifyOperationError(none.empty() ? "Target drive is not ready." : none);
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
    // A disc that has been written says so and what to do. The maker's
    // writers name no profile: their medium (from the disc information)
    // stands for it.
    DiscState state = ReadDiscState(writer);
    if (state.profile == aspi::profile::kNone && state.HasDisc())
      state.profile = state.erasable ? aspi::profile::kDvdRw : aspi::profile::kDvdR;
    std::string refusal = WriteRefusal(state, Has(request_.operation, opcode::kTest), DriveName(writer));
    if (!refusal.empty()) ending_.errorShown = true;  // it said all: no "Operation failed." after it
    NotifyOperationError(refusal.empty() ? "The disc has no free space for write in disc at once mode." : refusal);
    writer.PreventAllowMediumRemoval(aspi::removal::kAllow);
    return false;
  }
  return true;
}
