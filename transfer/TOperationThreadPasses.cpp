// TOperationThread: the two data passes. Each runs two workers on the two
// 64 KiB halves of the transfer area and switches them with manual-reset
// events; the operation thread only turns the events, compares (verify) and
// shows the percent.
#include <cstring>

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "host/os/Sleep.h"
#include "host/ui/MessageBox.h"
#include "base/TextFormat.h"
#include "transfer/TOperationThread.h"
#include "transfer/TReadThread.h"
#include "transfer/TWriteThread.h"
#include "volume/DiffDetail.h"

namespace {

std::unique_ptr<TWorkThread> MakeReader(bool isFile, const std::string& file, SCSIDEV* device, uint64_t start,
                                        uint64_t size) {
  if (isFile) return std::make_unique<TReadThread>(file, start, size);
  return std::make_unique<TReadThread>(*device, start, size);
}

std::unique_ptr<TWorkThread> MakeWriter(bool isFile, const std::string& file, SCSIDEV* device, uint64_t start,
                                        uint64_t size) {
  if (isFile) return std::make_unique<TWriteThread>(file, start, size);
  return std::make_unique<TWriteThread>(*device, start, size);
}

// Lets the worker work on one buffer: the other start event is reset first,
// so that the worker, once done, waits again.
void StartStep(WorkerEvents& events, bool stepA) {
  if (stepA) {
    events.startB.Reset();
    events.startA.Set();
  } else {
    events.startA.Reset();
    events.startB.Set();
  }
}

void WaitDone(WorkerEvents& events, bool stepA) { (stepA ? events.doneA : events.doneB).Wait(); }

}  // namespace

bool TOperationThread::WriteCore(bool sourceIsFile, const std::string& sourceFile, uint64_t total, uint64_t base,
                                 uint64_t size, uint64_t destinationStart, SCSIDEV* destinationDevice,
                                 const std::string& destinationFile, bool destinationIsFile, uint64_t sourceStart,
                                 SCSIDEV* sourceDevice) {
  std::unique_ptr<TWorkThread> reader = MakeReader(sourceIsFile, sourceFile, sourceDevice, sourceStart, size);
  // The reader's file is open (sharing nothing) before the writer's file is
  // created, so a destination that is the source under another name fails
  // to open and the source is never truncated. A source that cannot be
  // opened gets no writer at all: no overwrite question, no emptied file.
  std::unique_ptr<TWorkThread> writer;
  if (!reader->Error()) writer = MakeWriter(destinationIsFile, destinationFile, destinationDevice, destinationStart, size);

  bool openFailed = false;
  for (std::unique_ptr<TWorkThread>* worker : {&reader, &writer}) {
    if (!*worker || !(*worker)->Error()) continue;
    (*worker)->ReportWorkerError(true, false);
    EndWorker(*worker);
    openFailed = true;
  }
  if (openFailed) {
    closeAtEnd_ = true;
    return false;
  }

  percent_ = total == 0 ? 0 : static_cast<int>(base * 100 / total);
  NotifyProgress();

  WorkerEvents readerEvents, writerEvents;
  for (auto [worker, events] : {std::pair{reader.get(), &readerEvents}, std::pair{writer.get(), &writerEvents}}) {
    worker->SetEvents(events);
    worker->SetBuffers(BufferA(), BufferB());
    worker->SetChunk(TWorkThread::kChunk);
    worker->Start();
  }

  // Prime: the reader fills A while the writer waits.
  StartStep(readerEvents, true);
  WaitDone(readerEvents, true);

  bool failed = false;
  bool stepA = false;  // the buffer the reader fills next
  for (;;) {
    if (reader->Error()) {
      reader->ReportWorkerError(true, false);
      closeAtEnd_ = true;
      failed = true;
      break;
    }
    if (writer->Error()) {
      writer->ReportWorkerError(true, false);
      closeAtEnd_ = true;
      failed = true;
      break;
    }
    if (!writer->Running()) break;
    if (Terminated()) {
      reader->Stop();
      // The writer gets time to finish the step it is on.
      host::Sleep(5000);
      writer->Stop();
      AddLog("[WriteCore] Terminated.");
      AddLog("Operation canceled by user instruction.");
      canceled_ = true;
      break;
    }
    // Cross-over: the reader fills one buffer while the writer empties the
    // other one.
    StartStep(readerEvents, stepA);
    StartStep(writerEvents, !stepA);
    WaitDone(readerEvents, stepA);
    WaitDone(writerEvents, !stepA);
    stepA = !stepA;
    if (UpdatePercent(base + size - writer->Rest(), total)) break;
  }

  EndWorker(reader);
  EndWorker(writer);
  if (failed) {
    closeAtEnd_ = true;
    return false;
  }
  return true;
}

bool TOperationThread::VerifyCore(bool sourceIsFile, const std::string& sourceFile, uint64_t total, uint64_t base,
                                  uint64_t size, uint64_t destinationStart, SCSIDEV* destinationDevice,
                                  const std::string& destinationFile, bool destinationIsFile, uint64_t sourceStart,
                                  SCSIDEV* sourceDevice) {
  percent_ = total == 0 ? 0 : static_cast<int>(base * 100 / total);
  NotifyProgress();

  std::unique_ptr<TWorkThread> source = MakeReader(sourceIsFile, sourceFile, sourceDevice, sourceStart, size);
  std::unique_ptr<TWorkThread> destination =
      MakeReader(destinationIsFile, destinationFile, destinationDevice, destinationStart, size);

  bool openFailed = false;
  for (std::unique_ptr<TWorkThread>* worker : {&source, &destination}) {
    if (!(*worker)->Error()) continue;
    (*worker)->Stop();
    (*worker)->ReportWorkerError(true, false);
    EndWorker(*worker);
    openFailed = true;
  }
  if (openFailed) return false;

  percent_ = total == 0 ? 0 : static_cast<int>(base * 100 / total);
  NotifyProgress();

  // Each reader has one buffer of its own, for both of its steps.
  WorkerEvents sourceEvents, destinationEvents;
  source->SetEvents(&sourceEvents);
  source->SetBuffers(BufferA(), BufferA());
  destination->SetEvents(&destinationEvents);
  destination->SetBuffers(BufferB(), BufferB());
  for (TWorkThread* worker : {source.get(), destination.get()}) {
    worker->SetChunk(TWorkThread::kChunk);
    worker->Start();
  }

  bool failed = false;
  bool stepA = true;
  for (;;) {
    if (Terminated()) {
      source->Stop();
      destination->Stop();
      canceled_ = true;
      AddLog("[VerifyCore] canceled.");
      AddLog("Operation canceled by user instruction.");
      break;
    }
    if (!destination->Running()) break;
    StartStep(sourceEvents, stepA);
    StartStep(destinationEvents, stepA);
    WaitDone(sourceEvents, stepA);
    WaitDone(destinationEvents, stepA);
    stepA = !stepA;

    if (source->Error()) {
      failed = true;
      source->ReportWorkerError(true, false);
      break;
    }
    if (destination->Error()) {
      failed = true;
      destination->ReportWorkerError(true, false);
      break;
    }
    uint32_t count = source->LastCount();
    if (std::memcmp(BufferA(), BufferB(), count) != 0) {
      AddLog(FormatText("SrcThread->readSize %d\r\n", count));
      uint64_t end = total - source->Rest();
      // The range is the step that was compared: a short last step starts
      // count bytes, not a whole chunk, before its end.
      uint64_t from = end > count ? end - count : 0;
      std::string message = "Verify: Data are different at " + FormatNumber(from) + " ~ " + FormatNumber(end) +
                            " bytes.\r\nDo you wish to quit verifying?";
      AddLog(message);
      DiffDetail(BufferA(), BufferB(), count);
      if (ui::MessageBox(message, ProgramName, ui::kYesNo | ui::kIconError) == ui::kIdYes) break;
    }
    if (UpdatePercent(base + size - source->Rest(), total)) break;
  }

  EndWorker(source);
  EndWorker(destination);
  return !failed;
}
