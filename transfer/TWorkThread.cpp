// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/TWorkThread.h"

#include <algorithm>
#include <cstring>

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "devices/SCSIDEV.h"
#include "host/ui/MessageBox.h"
#include "base/TextFormat.h"

TWorkThread::TWorkThread(SCSIDEV* device, uint64_t start, uint64_t size)
    : device_(device), size_(size), start_(start), fileMode_(false), rest_(size) {}

TWorkThread::TWorkThread(uint64_t start, uint64_t size) : size_(size), start_(start), fileMode_(true), rest_(size) {}

TWorkThread::TWorkThread(uint64_t size) : size_(size), fileMode_(false), rest_(size) {}

TWorkThread::~TWorkThread() { Join(); }

void TWorkThread::Join() {
  if (Started() && !Finished()) Stop();
  WaitFor();
}

void TWorkThread::Start() {
  running_.store(true);
  error_.store(false);
  host::Thread::Start();
}

void TWorkThread::Stop() {
  // The request comes first, so that a worker woken by the ring already
  // sees it.
  Terminate();
  if (ring_ != nullptr) ring_->Stop();
}

void TWorkThread::ReportWorkerError(bool showBox, bool force) {
  if (!fileMode_) {
    if (device_ != nullptr) device_->ReportError(nullptr, showBox, force);
    return;
  }
  // A full disk has its own box; any other write error (a file size limit,
  // an I/O error) is said with the system's reason like other file errors.
  if (file_.Error() == CFILE::kWriteError && file_.GetDiskFree() <= StepBytes()) {
    ui::MessageBox("Destination disk is going to full.", ProgramName, ui::kIconError);
    return;
  }
  if (file_.Error() != CFILE::kNoError) file_.ErrorText(showBox);
}

void TWorkThread::LogRest(const char* format) {
  uint64_t rest = rest_.load();
  AddLog(FormatText(format, static_cast<uint32_t>(rest >> 32), static_cast<uint32_t>(rest)));
}

void TWorkThread::WatchProgress() {
  if (watcher_ == nullptr || size_ == 0) return;
  const int percent = static_cast<int>(done_.load() * 100 / size_);
  if (percent <= percentWatched_) return;
  percentWatched_ = percent;
  watcher_->Set();
}

void TWorkThread::RunLoop(bool reader, const StepLines& lines) {
  rest_.store(size_);
  done_.store(0);
  if (!Position()) {
    // Moving data from or to the wrong place would corrupt the copy: the
    // worker fails before its first step instead.
    LogRest(lines.failedA);
    error_.store(true);
  } else {
    for (uint64_t index = 0; reader ? ReadStep(index, lines) : WriteStep(index, lines); ++index) {
    }
  }
  // A reader's steps end here: the writer ends after the full ones. A
  // writer that failed stops the reader from filling steps nobody writes.
  if (ring_ != nullptr && reader)
    ring_->Finish();
  else if (ring_ != nullptr && error_.load())
    ring_->Stop();
  if (fileMode_) file_.Close();
  running_.store(false);
  if (watcher_ != nullptr) watcher_->Set();
}

uint32_t TWorkThread::TakeStep() {
  uint64_t rest = rest_.load();
  const uint32_t count = TakeChunk(rest, StepBytes());
  rest_.store(rest);
  lastCount_.store(count);
  return count;
}

bool TWorkThread::EndLoop(const char* line, bool failed) {
  LogRest(line);
  if (failed) error_.store(true);
  return false;
}

bool TWorkThread::HandOn(bool stepA, const StepLines& lines, void (StepRing::*handOn)()) {
  // Decided before the step is handed on, so that whoever waits for it
  // knows how the worker goes on.
  const bool ending = Terminated() || rest_.load() == 0;
  done_.store(size_ - rest_.load());
  (ring_->*handOn)();
  WatchProgress();
  return ending ? EndLoop(stepA ? lines.endedA : lines.endedB) : true;
}

bool TWorkThread::ReadStep(uint64_t index, const StepLines& lines) {
  const bool stepA = index % 2 == 0;
  StepRing::Step* step = ring_->NextEmpty();
  // Stopped: nothing more is moved.
  if (step == nullptr || Terminated()) return EndLoop(stepA ? lines.endedA : lines.endedB);
  const uint64_t offset = size_ - rest_.load();
  const uint32_t count = TakeStep();
  const uint32_t room = StepBytes();
  uint32_t moved = 0;
  if (!Transfer(step->bytes, count, moved)) {
    std::memset(step->bytes, 0, room);
    return EndLoop(stepA ? lines.failedA : lines.failedB, true);
  }
  // Zero what the step did not fill: past a short last step, and past the
  // end of a source file shorter than the volume, whose bytes would
  // otherwise be those of an earlier step.
  if (count > 0 && moved < room) std::memset(step->bytes + moved, 0, room - moved);
  step->offset = offset;
  step->count = count;
  step->moved = std::min(moved, count);
  if (!Deliver(*step)) return EndLoop(stepA ? lines.endedA : lines.endedB);
  return HandOn(stepA, lines, &StepRing::Publish);
}

bool TWorkThread::WriteStep(uint64_t index, const StepLines& lines) {
  const bool stepA = index % 2 == 0;
  StepRing::Step* step = ring_->NextFull();
  // Stopped, or the reader ended early: the step may hold nothing valid.
  if (step == nullptr || Terminated()) return EndLoop(stepA ? lines.endedA : lines.endedB);
  const uint32_t count = TakeStep();
  uint32_t moved = 0;
  if (!Transfer(step->bytes, count, moved)) return EndLoop(stepA ? lines.failedA : lines.failedB, true);
  return HandOn(stepA, lines, &StepRing::Release);
}
