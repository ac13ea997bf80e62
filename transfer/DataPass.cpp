// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/DataPass.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "base/TextFormat.h"
#include "host/os/Event.h"
#include "host/os/Sleep.h"
#include "host/ui/MessageBox.h"
#include "transfer/TWriteThread.h"
#include "volume/DifferenceLog.h"

namespace {

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

}  // namespace

DataPass::DataPass(PassHost& host, PassSides sides) : host_(host), sides_(std::move(sides)) {}

std::string PassHost::BoxCaption() const { return ProgramName; }

uint32_t DataPass::StepBytesOf(const PassSides& sides) {
  const bool deviceAndFile = sides.source.IsDevice() != sides.destination.IsDevice();
  return deviceAndFile && !sides.recording ? kLargeStep : TWorkThread::kChunk;
}

std::unique_ptr<TReadThread> DataPass::MakeSourceReader() const {
  if (sides_.seat != nullptr) return std::make_unique<TReadThread>(*sides_.seat, sides_.size);
  return MakeReader(sides_.source, sides_.sourceStart);
}

std::unique_ptr<TReadThread> DataPass::MakeReader(const Endpoint& side, uint64_t start) const {
  if (side.IsFile()) return std::make_unique<TReadThread>(side.file, start, sides_.size);
  return std::make_unique<TReadThread>(*side.device, start, sides_.size);
}

std::unique_ptr<TWorkThread> DataPass::MakeWriter(const Endpoint& side, uint64_t start) const {
  if (side.IsFile()) return std::make_unique<TWriteThread>(side.file, start, sides_.size);
  return std::make_unique<TWriteThread>(*side.device, start, sides_.size);
}

bool DataPass::SourceHoldsVolume() {
  if (sides_.source.IsDevice()) return true;
  std::unique_ptr<TReadThread> reader = MakeSourceReader();
  // A source that cannot be opened is the pass's to report.
  if (reader->Error() || reader->Holds(sides_.size)) return true;
  ui::MessageBox(reader->ShortText(), host_.BoxCaption(), ui::kIconError);
  return false;
}

PassOutcome DataPass::Write() {
  PassOutcome outcome;
  std::unique_ptr<TReadThread> reader = MakeSourceReader();
  // The reader's file is open (sharing nothing) before the writer's file is
  // created, so a destination that is the source under another name fails
  // to open and the source is never truncated. A source that cannot be
  // opened gets no writer at all: no overwrite question, no emptied file.
  std::unique_ptr<TWorkThread> writer;
  // Nothing is opened for writing after a cancel: a destination file would
  // be emptied by its opening. A question of the writer's (overwrite?) that
  // a cancel abandoned ends the pass as the cancel does.
  const bool sourceUsable = !reader->Error() && reader->Holds(sides_.size);
  if (sourceUsable && !host_.CancelRequested()) {
    if (!host_.MayWriteDestination() && !host_.CancelRequested()) {
      EndWorker(reader);
      outcome.declined = true;
      return outcome;
    }
    if (!host_.CancelRequested()) writer = MakeWriter(sides_.destination, 0);
  }
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
    ui::MessageBox(reader->ShortText(), host_.BoxCaption(), ui::kIconError);
    outcome.ok = false;
  }
  if (!outcome.ok) {
    EndWorker(reader);
    EndWorker(writer);
    return outcome;
  }

  host_.ShowStartPercent(0);

  StepRing ring(StepBytes(), kRingDepth);
  host::ManualResetEvent changed;
  // A source file that shrinks during the pass: the step it no longer
  // fills is never written.
  reader->StopAtShortfall(true);
  reader->SetSourceTap(sides_.sourceTap);
  for (TWorkThread* worker : {static_cast<TWorkThread*>(reader.get()), writer.get()}) {
    worker->SetRing(&ring);
    worker->SetWatcher(&changed);
    worker->Start();
  }

  bool lookedAgain = false;
  for (;;) {
    changed.Reset();
    if (reader->Error()) {
      reader->ReportWorkerError(true, false);
      outcome.ok = false;
      break;
    }
    if (!reader->Holds(sides_.size - reader->Rest())) {
      ui::MessageBox(reader->ShortText(), host_.BoxCaption(), ui::kIconError);
      outcome.ok = false;
      break;
    }
    if (writer->Error()) {
      writer->ReportWorkerError(true, false);
      outcome.ok = false;
      break;
    }
    if (host_.CancelRequested()) {
      // The ring stops with the reader: the writer ends after the step it
      // is on, which gets the time it needs (up to five seconds).
      reader->Stop();
      for (uint32_t waited = 0; writer->Running() && waited < host::ScaledMs(5000); waited += kWatchMs)
        changed.Wait(kWatchMs);
      writer->Stop();
      AddLog("[WriteCore] Terminated.");
      AddLog("Operation canceled by user instruction.");
      outcome.canceled = true;
      break;
    }
    // Looked at before its bytes: a writer that has ended has counted them
    // all, so its last percent is shown before the pass leaves.
    const bool writerEnded = !writer->Running();
    // A side that failed (or a source that fell short) after the looks above
    // has ended the writer too: one more look, so that the failure is
    // reported rather than taken for the end of the pass.
    if (writerEnded && !lookedAgain && writer->Done() < sides_.size) {
      lookedAgain = true;
      continue;
    }
    if (host_.ShowPercent(writer->Done(), sides_.size) || writerEnded) break;
    changed.Wait(kWatchMs);
  }

  EndWorker(reader);
  EndWorker(writer);
  return outcome;
}

StepRing::Step* DataPass::NextStep(StepRing& ring) {
  for (;;) {
    StepRing::Wait why = StepRing::Wait::Ready;
    StepRing::Step* step = ring.NextFull(&why, std::chrono::milliseconds(kWatchMs));
    if (step != nullptr || why == StepRing::Wait::Ended || host_.CancelRequested()) return step;
  }
}

bool DataPass::CompareStep(VerifySide& source, VerifySide& destination, PassOutcome& outcome,
                           DifferenceLog& differenceLog) {
  const StepRing::Step& a = *source.step;
  const StepRing::Step& b = *destination.step;
  // Differences are told 64 KiB at a time, whatever the step.
  for (uint32_t at = 0; at < a.count; at += TWorkThread::kChunk) {
    const uint32_t count = std::min(TWorkThread::kChunk, a.count - at);
    const uint64_t end = a.offset + at + count;
    // A side that ended before this part did has no bytes to compare here,
    // whatever the zeros in its step happen to match.
    bool sideEnded = false;
    for (VerifySide* side : {&source, &destination}) {
      if (TReadThread::Covers(side->step->offset + side->step->moved, end)) continue;
      sideEnded = true;
      if (!side->shortLogged) AddLog(side->reader->ShortText());
      side->shortLogged = true;
    }
    if (!sideEnded && std::memcmp(a.bytes + at, b.bytes + at, count) == 0) continue;
    ++outcome.differences;
    AddLog(FormatText("SrcThread->readSize %d\r\n", count));
    // The range is the part that was compared: a short last part starts
    // count bytes, not a whole 64 KiB, before its end.
    const uint64_t from = end - count;
    std::string message = "Verify: Data are different at " + FormatNumber(from) + " ~ " + FormatNumber(end) +
                          " bytes.\r\nDo you wish to quit verifying?";
    AddLog(message);
    if (outcome.firstDifferences.size() < PassOutcome::kDifferenceRanges) outcome.firstDifferences.push_back({from, end});
    differenceLog.Step(a.bytes + at, b.bytes + at, count);
    if (ui::MessageBox(message, host_.BoxCaption(), ui::kYesNo | ui::kIconError) == ui::kIdYes) return false;
  }
  return true;
}

PassOutcome DataPass::Verify() {
  PassOutcome outcome;
  host_.ShowStartPercent(0);

  std::unique_ptr<TReadThread> source = MakeSourceReader();
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

  // Each reader fills a ring of its own; the comparison empties both.
  StepRing sourceRing(StepBytes(), kRingDepth), destinationRing(StepBytes(), kRingDepth);
  source->SetRing(&sourceRing);
  source->SetSourceTap(sides_.sourceTap);
  destination->SetRing(&destinationRing);
  source->Start();
  destination->Start();

  VerifySide sourceSide{source.get(), nullptr, false}, destinationSide{destination.get(), nullptr, false};
  DifferenceLog differenceLog;
  for (;;) {
    sourceSide.step = NextStep(sourceRing);
    destinationSide.step = sourceSide.step != nullptr ? NextStep(destinationRing) : nullptr;
    if (host_.CancelRequested()) {
      source->Stop();
      destination->Stop();
      outcome.canceled = true;
      AddLog("[VerifyCore] canceled.");
      AddLog("Operation canceled by user instruction.");
      break;
    }
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
    if (sourceSide.step == nullptr || destinationSide.step == nullptr) break;
    const uint64_t end = sourceSide.step->offset + sourceSide.step->count;
    const bool goOn = CompareStep(sourceSide, destinationSide, outcome, differenceLog);
    sourceRing.Release();
    destinationRing.Release();
    if (!goOn || host_.ShowPercent(end, sides_.size)) break;
  }
  differenceLog.End();
  outcome.sourceShort = sourceSide.shortLogged;

  EndWorker(source);
  EndWorker(destination);
  return outcome;
}

PassOutcome DataPass::ReadThrough() {
  PassOutcome outcome;
  std::unique_ptr<TReadThread> reader = MakeReader(sides_.source, sides_.sourceStart);
  if (reader->Error() || !reader->Holds(sides_.size)) {
    if (reader->Error()) {
      reader->ReportWorkerError(true, false);
    } else {
      ui::MessageBox(reader->ShortText(), host_.BoxCaption(), ui::kIconError);
    }
    EndWorker(reader);
    outcome.ok = false;
    return outcome;
  }
  host_.ShowStartPercent(0);

  StepRing ring(StepBytes(), kRingDepth);
  reader->StopAtShortfall(true);
  reader->SetSourceTap(sides_.sourceTap);
  reader->SetRing(&ring);
  reader->Start();
  for (;;) {
    const StepRing::Step* step = NextStep(ring);
    if (host_.CancelRequested()) {
      reader->Stop();
      outcome.canceled = true;
      AddLog("[ReadThrough] canceled.");
      AddLog("Operation canceled by user instruction.");
      break;
    }
    if (reader->Error()) {
      reader->ReportWorkerError(true, false);
      outcome.ok = false;
      break;
    }
    if (step == nullptr) {
      // The ring ended: a source file that shrank keeps its short step back.
      if (!reader->Holds(sides_.size)) {
        ui::MessageBox(reader->ShortText(), host_.BoxCaption(), ui::kIconError);
        outcome.ok = false;
      }
      break;
    }
    const uint64_t end = step->offset + step->count;
    ring.Release();
    if (host_.ShowPercent(end, sides_.size)) break;
  }
  EndWorker(reader);
  return outcome;
}
