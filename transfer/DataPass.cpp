#include "transfer/DataPass.h"

#include <cstring>
#include <utility>

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "base/Sha256.h"
#include "base/TextFormat.h"
#include "host/os/Sleep.h"
#include "host/ui/MessageBox.h"
#include "transfer/TReadThread.h"
#include "transfer/TWriteThread.h"
#include "volume/DifferenceLog.h"

namespace {

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

// Stops a worker, waits until it has left its loop, frees it. The wait is
// the thread's end, not a poll of its running flag once a second: a pass
// ends as soon as its workers do, never up to a second later.
template <class Worker>
void EndWorker(std::unique_ptr<Worker>& worker) {
  if (!worker) return;
  worker->Stop();
  worker->WaitFor();
  worker.reset();
}

// Wires a worker to its events and the two halves of the area, and starts
// it.
void StartWorker(TWorkThread& worker, WorkerEvents& events, TransferArea& area) {
  worker.SetEvents(&events);
  worker.SetBuffers(area.A(), area.B());
  worker.SetChunk(TWorkThread::kChunk);
  worker.Start();
}

// True, with the reader's report or the shortfall box, when the reader
// failed or its source file ends before volume position end.
bool ReaderFailed(TReadThread& reader, uint64_t end) {
  if (reader.Error()) {
    reader.ReportWorkerError(true, false);
    return true;
  }
  if (!reader.Holds(end)) {
    ui::MessageBox(reader.ShortText(), ProgramName, ui::kIconError);
    return true;
  }
  return false;
}

}  // namespace

DataPass::DataPass(PassHost& host, TransferArea& area, PassSides sides)
    : host_(host), area_(area), sides_(std::move(sides)) {}

std::unique_ptr<TReadThread> DataPass::MakeReader(const Endpoint& side, uint64_t start) const {
  if (side.IsFile()) return std::make_unique<TReadThread>(side.file, start, sides_.size);
  return std::make_unique<TReadThread>(*side.device, start, sides_.size);
}

std::unique_ptr<TWorkThread> DataPass::MakeWriter(const Endpoint& side, uint64_t start) const {
  if (side.IsFile()) return std::make_unique<TWriteThread>(side.file, start, sides_.size);
  return std::make_unique<TWriteThread>(*side.device, start, sides_.size);
}

void DataPass::FeedDigest(const uint8_t* buffer, uint64_t delivered) {
  if (sides_.digest == nullptr || delivered <= digested_) return;
  sides_.digest->Update(buffer, static_cast<size_t>(delivered - digested_));
  digested_ = delivered;
}

bool DataPass::SourceHoldsVolume() {
  if (sides_.source.IsDevice()) return true;
  std::unique_ptr<TReadThread> reader = MakeReader(sides_.source, sides_.sourceStart);
  // A source that cannot be opened is the pass's to report.
  if (reader->Error() || reader->Holds(sides_.size)) return true;
  ui::MessageBox(reader->ShortText(), ProgramName, ui::kIconError);
  return false;
}

PassOutcome DataPass::Write() {
  PassOutcome outcome;
  std::unique_ptr<TReadThread> reader = MakeReader(sides_.source, sides_.sourceStart);
  // The reader's file is open (sharing nothing) before the writer's file is
  // created, so a destination that is the source under another name fails
  // to open and the source is never truncated. A source that cannot be
  // opened gets no writer at all: no overwrite question, no emptied file.
  std::unique_ptr<TWorkThread> writer;
  // Nothing is opened for writing after a cancel: a destination file would
  // be emptied by its opening. A question of the writer's (overwrite?) that
  // a cancel abandoned ends the pass as the cancel does.
  const bool sourceUsable = !reader->Error() && reader->Holds(sides_.size);
  if (sourceUsable && !host_.CancelRequested()) writer = MakeWriter(sides_.destination, 0);
  if (host_.CancelRequested() && sourceUsable && (!writer || writer->Error())) {
    EndWorker(writer);
    EndWorker(reader);
    AddLog("Operation canceled by user instruction.");
    outcome.canceled = true;
    return outcome;
  }

  for (TWorkThread* worker : {static_cast<TWorkThread*>(reader.get()), static_cast<TWorkThread*>(writer.get())}) {
    if (worker == nullptr || !worker->Error()) continue;
    worker->ReportWorkerError(true, false);
    outcome.ok = false;
  }
  // A source file shorter than the volume would be written out with zeros:
  // the pass fails before the destination is opened.
  if (outcome.ok && !reader->Holds(sides_.size)) {
    ui::MessageBox(reader->ShortText(), ProgramName, ui::kIconError);
    outcome.ok = false;
  }
  if (!outcome.ok) {
    EndWorker(reader);
    EndWorker(writer);
    return outcome;
  }

  host_.ShowStartPercent(0);

  WorkerEvents readerEvents, writerEvents;
  StartWorker(*reader, readerEvents, area_);
  StartWorker(*writer, writerEvents, area_);

  // Prime: the reader fills A while the writer waits.
  StartStep(readerEvents, true);
  WaitDone(readerEvents, true);

  bool stepA = false;  // the buffer the reader fills next
  for (;;) {
    // The source file may have ended early after all (it shrank): the
    // buffer just read is not written.
    if (ReaderFailed(*reader, sides_.size - reader->Rest())) {
      outcome.ok = false;
      break;
    }
    if (writer->Error()) {
      writer->ReportWorkerError(true, false);
      outcome.ok = false;
      break;
    }
    if (!writer->Running()) break;
    if (host_.CancelRequested()) {
      reader->Stop();
      // The writer gets time to finish the step it is on.
      host::Sleep(5000);
      writer->Stop();
      AddLog("[WriteCore] Terminated.");
      AddLog("Operation canceled by user instruction.");
      outcome.canceled = true;
      break;
    }
    // Cross-over: the reader fills one buffer while the writer empties the
    // other one, the one the reader filled last; the digest reads it too
    // meanwhile.
    const uint64_t delivered = sides_.size - reader->Rest();
    StartStep(readerEvents, stepA);
    StartStep(writerEvents, !stepA);
    FeedDigest(stepA ? area_.B() : area_.A(), delivered);
    WaitDone(readerEvents, stepA);
    WaitDone(writerEvents, !stepA);
    stepA = !stepA;
    if (host_.ShowPercent(sides_.size - writer->Rest(), sides_.size)) break;
  }

  EndWorker(reader);
  EndWorker(writer);
  return outcome;
}

PassOutcome DataPass::Verify() {
  PassOutcome outcome;
  host_.ShowStartPercent(0);

  std::unique_ptr<TReadThread> source = MakeReader(sides_.source, sides_.sourceStart);
  std::unique_ptr<TReadThread> destination = MakeReader(sides_.destination, 0);

  for (std::unique_ptr<TReadThread>* worker : {&source, &destination}) {
    if (!(*worker)->Error()) continue;
    (*worker)->Stop();
    (*worker)->ReportWorkerError(true, false);
    EndWorker(*worker);
    outcome.ok = false;
  }
  if (!outcome.ok) return outcome;

  host_.ShowStartPercent(0);

  // Each reader has one buffer of its own, for both of its steps.
  WorkerEvents sourceEvents, destinationEvents;
  source->SetEvents(&sourceEvents);
  source->SetBuffers(area_.A(), area_.A());
  destination->SetEvents(&destinationEvents);
  destination->SetBuffers(area_.B(), area_.B());
  for (TWorkThread* worker : {source.get(), destination.get()}) {
    worker->SetChunk(TWorkThread::kChunk);
    worker->Start();
  }

  bool stepA = true;
  bool sourceShortLogged = false, destinationShortLogged = false;
  DifferenceLog differenceLog;
  for (;;) {
    if (host_.CancelRequested()) {
      source->Stop();
      destination->Stop();
      outcome.canceled = true;
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
      outcome.ok = false;
      source->ReportWorkerError(true, false);
      break;
    }
    if (destination->Error()) {
      outcome.ok = false;
      destination->ReportWorkerError(true, false);
      break;
    }
    uint32_t count = source->LastCount();
    // A side that ended before this step did has no bytes to compare here,
    // whatever the zeros in its buffer happen to match.
    const uint64_t stepEnd = sides_.size - source->Rest();
    bool sideEnded = false;
    for (auto [reader, logged] : {std::pair{source.get(), &sourceShortLogged}, std::pair{destination.get(), &destinationShortLogged}}) {
      if (reader->Holds(stepEnd)) continue;
      sideEnded = true;
      if (!*logged) AddLog(reader->ShortText());
      *logged = true;
    }
    // The source's bytes go to the digest as long as the source holds them.
    if (!sourceShortLogged) FeedDigest(area_.A(), stepEnd);
    if (sideEnded || std::memcmp(area_.A(), area_.B(), count) != 0) {
      ++outcome.differences;
      AddLog(FormatText("SrcThread->readSize %d\r\n", count));
      uint64_t end = sides_.size - source->Rest();
      // The range is the step that was compared: a short last step starts
      // count bytes, not a whole chunk, before its end.
      uint64_t from = end > count ? end - count : 0;
      std::string message = "Verify: Data are different at " + FormatNumber(from) + " ~ " + FormatNumber(end) +
                            " bytes.\r\nDo you wish to quit verifying?";
      AddLog(message);
      if (outcome.firstDifferences.size() < PassOutcome::kDifferenceRanges)
        outcome.firstDifferences.push_back({from, end});
      differenceLog.Step(area_.A(), area_.B(), count);
      if (ui::MessageBox(message, ProgramName, ui::kYesNo | ui::kIconError) == ui::kIdYes) break;
    }
    if (host_.ShowPercent(sides_.size - source->Rest(), sides_.size)) break;
  }
  differenceLog.End();

  EndWorker(source);
  EndWorker(destination);
  return outcome;
}

PassOutcome DataPass::ReadThrough() {
  PassOutcome outcome;
  std::unique_ptr<TReadThread> reader = MakeReader(sides_.source, sides_.sourceStart);
  if (ReaderFailed(*reader, sides_.size)) {
    EndWorker(reader);
    outcome.ok = false;
    return outcome;
  }
  host_.ShowStartPercent(0);

  WorkerEvents events;
  StartWorker(*reader, events, area_);
  StartStep(events, true);
  WaitDone(events, true);

  bool stepA = false;  // the buffer the reader fills next
  for (;;) {
    if (ReaderFailed(*reader, sides_.size - reader->Rest())) {
      outcome.ok = false;
      break;
    }
    if (host_.CancelRequested()) {
      reader->Stop();
      outcome.canceled = true;
      AddLog("[ReadThrough] canceled.");
      AddLog("Operation canceled by user instruction.");
      break;
    }
    // The reader fills one buffer while the digest reads the other.
    const uint64_t delivered = sides_.size - reader->Rest();
    const bool more = reader->Rest() > 0;
    if (more) StartStep(events, stepA);
    FeedDigest(stepA ? area_.B() : area_.A(), delivered);
    if (more) WaitDone(events, stepA);
    stepA = !stepA;
    if (host_.ShowPercent(delivered, sides_.size) || !more) break;
  }
  EndWorker(reader);
  return outcome;
}
