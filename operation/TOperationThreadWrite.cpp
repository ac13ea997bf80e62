// SPDX-License-Identifier: GPL-3.0-or-later
// TOperationThread: writing a volume onto a DVD-R writer, with the optional
// test write before it and verify after it.
#include "base/Log.h"
#include "base/NumberText.h"
#include "base/TextFormat.h"
#include "devices/SCSIDEV.h"
#include "host/aspi/ScsiVocabulary.h"
#include "host/os/Sleep.h"
#include "operation/OperationTexts.h"
#include "operation/TOperationThread.h"
#include "operation/WriterGroup.h"
#include "transfer/MediumLock.h"

namespace {

constexpr uint32_t kSector2K = 2048;
constexpr int kSingleMode = 1;
constexpr int kRoundDownMode = 3;

}  // namespace

bool TOperationThread::NormalWrite() {
  AddLog("\r\n[TOperationThread::NormalWrite]");
  AddLog("Voleme size: " + FormatNumber(volumeSize_) + " bytes.");
  LogSteps();
  if (volumeSize_ == 0) {
    ending_.errorShown = true;
    NotifyOperationError(std::string("Volume size is 0\r\n") + kChooseSizeHint);
    return false;
  }
  SCSIDEV& writer = *request_.destination.device;
  if (!writer.StartStopUnit(aspi::startstop::kLoadAndStart)) AddLog(writer.LastErrorText());
  if (RefusedMedium(writer)) return false;

  uint64_t free = 0;
  if (request_.operation == Operation::VerifyDisc) {
    writeMode_ = kSingleMode;
  } else {
    if (!CheckWriter(writer, false, "Operation canceled by user instruction.", free)) return false;
    NoteMedium(writer, free);
    AddLog(FormatText("DiscFreeSpace: %s Size (%08XH Sectors).", FormatNumber(free).c_str(),
                      static_cast<uint32_t>(CeilDiv64(free, kSector2K))));
    std::optional<uint64_t> size = SizeToWrite(free);
    if (!size) {
      Cancel(true);
      AddLog("Operation canceled by user instruction.");
      return false;
    }
    writeMode_ = *size < volumeSize_ ? kRoundDownMode : kSingleMode;
    // Round down: the result says how much of the volume the disc holds.
    if (writeMode_ == kRoundDownMode) cutFrom_ = volumeSize_;
    volumeSize_ = *size;
  }
  AddLog(writeMode_ == kSingleMode ? "\r\n[Writing - Single Mode]" : "\r\n[Writing - Round Down Mode]");
  return WriteSequence();
}

std::optional<uint64_t> TOperationThread::SizeToWrite(uint64_t free) {
  // Several writers write the same bytes: what the smallest of their discs
  // holds, asked once for all of them.
  if (group_ != nullptr)
    return group_->AgreeOnSize(member_, free, volumeSize_,
                               [this](uint64_t smallest) { return NotifyAskWriteMode(volumeSize_, smallest); },
                               [this] { return Terminated(); });
  if (free >= volumeSize_) return volumeSize_;
  if (!NotifyAskWriteMode(volumeSize_, free)) return std::nullopt;
  return free;
}

bool TOperationThread::WriteSequence() {
  LogSteps();
  percent_ = 0;
  SCSIDEV& writer = *request_.destination.device;
  return RunSteps([&](Step step) {
    if (step != Step::Verify) return WritePass(writer);
    return request_.expected ? VerifyAgainstDigest(writer) : VerifyOnWriter(writer);
  });
}

bool TOperationThread::VerifyOnWriter(SCSIDEV& writer) {
  MediumLock lock(writer, "Prevent MediumRemovable failed. (continue verifying...)", "Allow MediumRemovable failed.");
  if (!EjectAfterStep()) lock.KeepDisc();
  host::Sleep(1000);
  return RunPass(Step::Verify, Endpoint(writer));
}

bool TOperationThread::WritePass(SCSIDEV& writer) {
  // A source file that ends before the volume would leave the disc written
  // with zeros: refused before the disc is loaded and prepared.
  // Several writers share a source that was checked once before any of
  // them began.
  if (group_ == nullptr && !DataPass(*this, SidesTo(Endpoint(writer))).SourceHoldsVolume()) {
    ending_.succeeded = false;
    return false;
  }
  MediumLock lock(writer, "Prevent MediumRemovable failed. (continue writing...)",
                  "Allow MediumRemovable failed. (continue writing...)");
  if (!EjectAfterStep()) lock.KeepDisc();
  if (PauseBeforeWrite(lock)) return true;

  uint32_t sectors = static_cast<uint32_t>(CeilDiv64(volumeSize_, kSector2K));
  AddLog(FormatText("WriteSectors: %d(%XH)", sectors, sectors));
  bool ok = writer.SetWritingConfig(sectors, testFlag_, 0);
  if (ok) {
    ok = RunPass(Step::Write, Endpoint(writer));
    if (ok && !ending_.canceled) {
      dialog_.EnableCancel(false);
      dialog_.SetComment("Now writing leadout... Please wait several minutes.");
      ok = writer.FinishWrite();
      dialog_.EnableCancel(true);
    }
  }
  if (!ok) ending_.succeeded = false;
  return ok;
}
