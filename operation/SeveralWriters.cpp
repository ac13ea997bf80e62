// SPDX-License-Identifier: GPL-3.0-or-later
#include "operation/SeveralWriters.h"

#include <algorithm>
#include <utility>

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "base/TextFormat.h"
#include "devices/SCSIDEV.h"
#include "host/os/Thread.h"
#include "host/ui/MessageBox.h"
#include "operation/TOperationThread.h"
#include "operation/WriterGroup.h"

namespace {

std::vector<std::string> Names(const std::vector<SCSIDEV*>& writers) {
  std::vector<std::string> names;
  for (SCSIDEV* writer : writers) names.push_back(Endpoint(*writer).Describe());
  return names;
}

std::string ResultText(const OperationOutcome& outcome) {
  if (outcome.result == OperationResult::Canceled) return "Operation canceled.";
  if (outcome.result != OperationResult::Done && outcome.result != OperationResult::Differences)
    return "Operation failed.";
  if (outcome.DifferencesFound())
    return "Operation done, but the verify found " + FormatNumber(outcome.differences) + " differing steps.";
  return "Operation done.";
}

}  // namespace

// One writer's dialog: its notifications become the rows of the writer in
// the several writers' dialog.
class SeveralWriters::MemberDialog : public OperationDialog {
 public:
  MemberDialog(SeveralWriters& owner, size_t writer) : owner_(owner), writer_(writer) {}

  uint64_t CurrentVolumeSize() override { return owner_.request_.volume.volumeSize; }
  void ShowProgress(int phase, int percent) override {
    phase_ = phase;
    percent_ = percent;
  }
  void ShowPassProgress(const PassProgress& report) override {
    owner_.dialog_.ShowWriterProgress(writer_, phase_, percent_, report);
  }
  void OperationErrorShown() override {}
  bool AskWriteMode(uint64_t volumeBytes, uint64_t discBytes) override {
    return owner_.dialog_.AskWriteMode(volumeBytes, discBytes);
  }
  void OperationEnded(OperationResult result, bool) override { owner_.MemberEnded(writer_, result); }
  void SetComment(const std::string& text) override { owner_.dialog_.WriterComment(writer_, text); }
  void EnableCancel(bool enabled) override { owner_.dialog_.EnableWriterCancel(writer_, enabled); }

 private:
  SeveralWriters& owner_;
  const size_t writer_;
  int phase_ = 0;  // of the notification under way
  int percent_ = 0;
};

SeveralWriters::SeveralWriters(SeveralWritersDialog& dialog, SeveralWritersRequest request)
    : dialog_(dialog), request_(std::move(request)) {
  for (const std::string& name : Names(request_.writers)) outcomes_.push_back(WriterOutcome{name, {}, false});
}

SeveralWriters::~SeveralWriters() {
  CancelAll();
  WaitFor();
}

bool SeveralWriters::RefusedRequest() const {
  std::string refusal;
  const std::vector<std::string> names = Names(request_.writers);
  if (names.empty()) refusal = "No writer is chosen.";
  for (size_t i = 0; i < names.size() && refusal.empty(); ++i) {
    if (std::count(names.begin(), names.end(), names[i]) > 1) refusal = names[i] + " is chosen more than once.";
    if (request_.source.IsDevice() && request_.source.Describe() == names[i])
      refusal = "Source device is same with destination device.";
  }
  if (refusal.empty()) return false;
  ui::MessageBox(refusal, ProgramName, ui::kIconError);
  return true;
}

bool SeveralWriters::Start() {
  if (group_ || RefusedRequest()) return false;
  group_ = std::make_unique<WriterGroup>(request_.source, request_.volume.volumeOffset, Names(request_.writers));
  SourceFeed& source = group_->Source();
  // Checked once for all the writers, before any disc is touched.
  if (source.Error()) {
    source.ReportError(true);
    group_.reset();
    return false;
  }
  if (!source.Holds(request_.volume.volumeSize)) {
    ui::MessageBox(source.ShortText(request_.volume.volumeSize), ProgramName, ui::kIconError);
    group_.reset();
    return false;
  }
  std::string names;
  for (const std::string& name : Names(request_.writers)) names += (names.empty() ? "" : " ") + name;
  AddLog(FormatText("\r\n[SeveralWriters] %s onto %zu writers: %s", request_.source.Describe().c_str(),
                    request_.writers.size(), names.c_str()));
  for (size_t i = 0; i < request_.writers.size(); ++i) {
    OperationRequest single;
    single.operation = request_.operation;
    single.source = request_.source;
    single.destination = Endpoint(*request_.writers[i]);
    single.volume = request_.volume;
    dialogs_.push_back(std::make_unique<MemberDialog>(*this, i));
    threads_.push_back(std::make_unique<TOperationThread>(*dialogs_.back(), std::move(single)));
    threads_.back()->JoinGroup(*group_, i);
  }
  for (auto& thread : threads_) thread->Start();
  return true;
}

void SeveralWriters::Cancel(size_t writer) {
  if (writer < threads_.size()) threads_[writer]->Terminate();
}

void SeveralWriters::CancelAll() {
  for (auto& thread : threads_) thread->Terminate();
}

bool SeveralWriters::Finished() const {
  return std::all_of(threads_.begin(), threads_.end(), [](const auto& thread) { return thread->Finished(); });
}

bool SeveralWriters::WaitFinished(std::chrono::milliseconds limit) {
  return std::all_of(threads_.begin(), threads_.end(), [limit](auto& thread) { return thread->WaitFinished(limit); });
}

void SeveralWriters::WaitFor() {
  for (auto& thread : threads_) thread->WaitFor();
}

std::vector<WriterOutcome> SeveralWriters::Outcomes() const {
  std::vector<WriterOutcome> outcomes;
  host::Thread::Synchronize([&] { outcomes = outcomes_; });
  return outcomes;
}

PassProgress SeveralWriters::LatestProgress(size_t writer) const {
  return writer < threads_.size() ? threads_[writer]->LatestProgress() : PassProgress{};
}

uint64_t SeveralWriters::SourceBytesRead() const { return group_ ? group_->Source().BytesRead() : 0; }

std::string SeveralWriters::ResultLines(const std::vector<WriterOutcome>& outcomes) {
  std::string lines;
  for (const WriterOutcome& outcome : outcomes)
    lines += (lines.empty() ? "" : "\r\n") + outcome.writer + ": " + ResultText(outcome.outcome);
  return lines;
}

void SeveralWriters::MemberEnded(size_t writer, OperationResult result) {
  WriterOutcome& outcome = outcomes_[writer];
  // Its digest and record come with it.
  outcome.outcome = threads_[writer]->Outcome();
  outcome.outcome.result = result;
  outcome.ended = true;
  AddLog("[SeveralWriters] " + outcome.writer + ": " + ResultText(outcome.outcome));
  dialog_.WriterEnded(writer, outcome);
  if (++ended_ < outcomes_.size()) return;

  size_t done = 0;
  bool failed = false;
  for (const WriterOutcome& each : outcomes_) {
    done += each.outcome.result == OperationResult::Done && !each.outcome.DifferencesFound();
    failed |= each.outcome.result == OperationResult::Failed || each.outcome.result == OperationResult::ErrorShown;
  }
  const unsigned icon = done == outcomes_.size() ? ui::kIconInformation : failed ? ui::kIconError
                                                                                 : ui::kIconExclamation;
  const std::string text = FormatText("%zu of %zu discs done.\r\n", done, outcomes_.size()) + ResultLines(outcomes_);
  AddLog("[SeveralWriters] " + text);
  ui::MessageBox(text, ProgramName, icon);
  dialog_.AllEnded(outcomes_);
}
