#include "transfer/TWorkThread.h"

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
  // The request comes first, so that a worker woken by the events below
  // already sees it.
  Terminate();
  if (events_ != nullptr) {
    events_->startA.Set();
    events_->startB.Set();
    events_->doneA.Set();
    events_->doneB.Set();
  }
}

void TWorkThread::ReportWorkerError(bool showBox, bool force) {
  if (!fileMode_) {
    if (device_ != nullptr) device_->ReportError(nullptr, showBox, force);
    return;
  }
  // A full disk has its own box; any other write error (a file size limit,
  // an I/O error) is said with the system's reason like other file errors.
  if (file_.Error() == CFILE::kWriteError && file_.GetDiskFree() <= chunk_) {
    ui::MessageBox("Destination disk is going to full.", ProgramName, ui::kIconError);
    return;
  }
  if (file_.Error() != CFILE::kNoError) file_.ErrorText(showBox);
}

void TWorkThread::LogRest(const char* format) {
  uint64_t rest = rest_.load();
  AddLog(FormatText(format, static_cast<uint32_t>(rest >> 32), static_cast<uint32_t>(rest)));
}

void TWorkThread::RunLoop(bool reader, const StepLines& lines) {
  rest_.store(size_);
  if (!Position()) {
    // Moving data from or to the wrong place would corrupt the copy: the
    // worker fails before its first step instead.
    LogRest(lines.failedA);
    error_.store(true);
  } else {
    while (Step(reader, true, lines) && Step(reader, false, lines)) {
    }
  }
  Stop();
  if (fileMode_) file_.Close();
  running_.store(false);
}

bool TWorkThread::Step(bool reader, bool stepA, const StepLines& lines) {
  host::ManualResetEvent& start = stepA ? events_->startA : events_->startB;
  host::ManualResetEvent& done = stepA ? events_->doneA : events_->doneB;
  host::ManualResetEvent& other = stepA ? events_->doneB : events_->doneA;
  uint8_t* buffer = stepA ? bufferA_ : bufferB_;
  const char* failedLine = stepA ? lines.failedA : lines.failedB;
  const char* endedLine = stepA ? lines.endedA : lines.endedB;

  start.Wait();
  // Woken by Stop(): the buffer may hold nothing valid (a failed read left it
  // zeroed), so nothing more is moved.
  if (Terminated()) {
    LogRest(endedLine);
    return false;
  }
  uint64_t rest = rest_.load();
  uint32_t count = TakeChunk(rest, chunk_);
  rest_.store(rest);
  lastCount_.store(count);

  uint32_t moved = 0;
  if (!Transfer(buffer, count, moved)) {
    if (reader) std::memset(buffer, 0, kChunk);
    LogRest(failedLine);
    error_.store(true);
    return false;
  }
  // Zero what the step did not fill: past a short last step, and past the
  // end of a source file shorter than the volume, whose bytes would
  // otherwise be those of an earlier step.
  if (reader && count > 0 && moved < kChunk) std::memset(buffer + moved, 0, kChunk - moved);

  bool ending = Terminated() || rest == 0;
  // A file reader, and a file writer after a step on A, leave before they
  // signal; Stop() then sets the done event for them.
  if (fileMode_ && (reader || stepA) && ending) {
    LogRest(endedLine);
    return false;
  }
  other.Reset();
  done.Set();
  if (ending) {
    LogRest(endedLine);
    return false;
  }
  return true;
}
