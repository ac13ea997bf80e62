// SPDX-License-Identifier: GPL-3.0-or-later
// TOperationThread: the disc record of an operation (what it learnt along
// the way, put together and written when the operation has ended) and the
// verify of a disc against a recorded digest.
#include <filesystem>
#include <span>

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "base/Sha256.h"
#include "base/TextFormat.h"
#include "devices/DiscState.h"
#include "devices/MediumIdentity.h"
#include "devices/SCSIDEV.h"
#include "host/aspi/ScsiVocabulary.h"
#include "host/os/Sleep.h"
#include "host/ui/MessageBox.h"
#include "operation/TOperationThread.h"
#include "records/RecordStore.h"
#include "transfer/MediumLock.h"

namespace {

std::string Trimmed(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// A file as the record names it: its absolute path, so that the record
// still says which file it was when read from elsewhere.
std::string AbsolutePath(const std::string& file) {
  std::error_code ignored;
  std::filesystem::path absolute = std::filesystem::absolute(file, ignored);
  return absolute.empty() ? file : absolute.lexically_normal().string();
}

RecordSide SideOf(const Endpoint& side) {
  if (side.IsFile()) return {"file", AbsolutePath(side.file), std::nullopt};
  const SCSIDEV& device = *side.device;
  return {"device", {},
          RecordDevice{side.Describe(), Trimmed(device.Vendor()), Trimmed(device.Product()),
                       Trimmed(device.Revision())}};
}

const char* ResultName(OperationResult result, uint64_t differences) {
  switch (result) {
    case OperationResult::Done: return differences > 0 ? "differences" : "done";
    case OperationResult::Differences: return "differences";
    case OperationResult::Canceled: return "canceled";
    case OperationResult::ErrorShown:
    case OperationResult::Failed: return "failed";
  }
  return "failed";
}

}  // namespace

void TOperationThread::NoteMedium(SCSIDEV& drive, std::optional<uint64_t> capacity) {
  RecordMedium medium;
  medium.capacity = capacity;
  // Disks and other block devices have no medium type nor manufacturer to
  // ask for.
  if (drive.GetDeviceType() == aspi::device::kCdDvd) {
    MediumIdentity identity = ReadMediumIdentity(drive);
    medium.manufacturer = identity.Text();
    // The maker's writers name no profile: their disc information does.
    medium.type = !identity.medium.empty() ? identity.medium : ReadDiscState(drive).medium;
  }
  medium_ = medium;
}

void TOperationThread::NotePass(const char* step, bool ok, bool canceledBefore) {
  // A step that began no pass (a cancel in its pause, an earlier cancel, a
  // refused start) moved no data.
  const PassProgress& pass = meter_.Current();
  if (pass.pass == passAtStep_) return;
  RecordPass record;
  record.step = step;
  record.result = !ok ? "failed" : ending_.canceled && !canceledBefore ? "canceled" : "done";
  record.seconds = pass.seconds;
  record.bytes = pass.done;
  passes_.push_back(record);
}

DiscRecord TOperationThread::BuildRecord(OperationResult result) const {
  DiscRecord record;
  record.program = std::string(ProgramName) + ProgramVersion;
  record.started = startedAt_;
  record.ended = RecordTimeNow();
  const OperationItem& item = ItemOf(request_.operation);
  record.operation = request_.expected ? "verify-record"
                     : request_.pattern ? "pattern"
                     : FamilyOf(request_.operation) == OperationFamily::Copy ? "copy"
                                                                             : "write";
  record.mode = item.name;
  record.result = ResultName(result, ending_.differences);

  if (request_.expected) {
    record.source.kind = request_.expected->recordFile.empty() ? "digest" : "record";
    if (!request_.expected->recordFile.empty()) record.source.path = AbsolutePath(request_.expected->recordFile);
    record.expectedSha256 = request_.expected->sha256;
  } else if (request_.pattern) {
    record.source.kind = "pattern";
  } else {
    record.source = SideOf(request_.source);
  }
  record.volumeName = Trimmed(request_.volume.volumeName);
  record.volumeOffset = request_.pattern || request_.expected ? 0 : request_.volume.volumeOffset;
  record.volumeSize = volumeSize_;
  record.sha256 = sha256_;

  record.writer = SideOf(request_.destination);
  record.medium = medium_;
  record.passes = passes_;
  record.verified = verifyRan_;
  record.differences = ending_.differences;
  record.firstDifferences = firstDifferences_;
  // The speed samples the graph draws, at most about 2,000 a pass.
  static constexpr const char* kStepNames[] = {"test", "write", "copy", "verify"};
  for (const PassTrace& trace : speeds_.Passes()) {
    const char* step = trace.pattern && trace.phase != 3 ? "pattern" : kStepNames[trace.phase & 3];
    for (const PassSample& sample : trace.samples)
      record.speedSamples.push_back({step, sample.seconds, sample.position, sample.bytesPerSecond});
  }
  return record;
}

void TOperationThread::KeepRecord(OperationResult result) {
  // An operation that ended before its first step touched no disc.
  if (!stepsRan_) return;
  std::string written, error;
  if (WriteRecord(BuildRecord(result), request_.recordFile, written, error)) {
    recordWritten_ = written;
    AddLog("Disc record: " + written);
    return;
  }
  AddLog("[TOperationThread] The disc record was not written. " + error);
  ui::MessageBox("The disc record was not written.\r\n" + error, BoxCaption(), ui::kIconExclamation);
}

bool TOperationThread::VerifyAgainstDigest(SCSIDEV& disc) {
  const ExpectedVolume& expected = *request_.expected;
  MediumLock lock(disc, "Prevent MediumRemovable failed. (continue verifying...)", "Allow MediumRemovable failed.");
  host::Sleep(1000);
  AddLog("[TOperationThread::VerifyAgainstDigest] " + FormatNumber(volumeSize_) + " bytes, SHA-256 " +
         expected.sha256 + (expected.recordFile.empty() ? "" : " (" + expected.recordFile + ")"));

  // A disc that holds less than the volume cannot hold the volume: that is
  // a difference, found without reading.
  const uint64_t held = disc.GetCapacity();
  NoteMedium(disc, held);
  if (held < volumeSize_) {
    ++ending_.differences;
    std::string message = "Verify: The disc holds " + FormatNumber(held) + " bytes, fewer than the " +
                          FormatNumber(volumeSize_) + " bytes of the recorded volume.";
    AddLog(message);
    ui::MessageBox(message, ProgramName, ui::kIconError);
    return true;
  }

  Sha256 digest;
  PassSides sides;
  sides.source = Endpoint(disc);
  sides.size = volumeSize_;
  sides.sourceTap = [&digest](std::span<const uint8_t> bytes) { digest.Update(bytes.data(), bytes.size()); };
  BeginPassReport(&disc, 0, volumeSize_);
  PassOutcome outcome = DataPass(*this, std::move(sides)).ReadThrough();
  EndPassReport();
  if (outcome.canceled) ending_.canceled = true;
  if (!outcome.ok || outcome.canceled) return outcome.ok;
  const bool whole = digest.Bytes() == volumeSize_;
  std::optional<Sha256::Digest> value = digest.Final();
  if (!value || !whole) {
    NotifyOperationError("The SHA-256 of the disc's volume could not be computed.");
    return false;
  }
  sha256_ = Sha256::Hex(*value);
  AddLog("SHA-256 of the volume (" + FormatNumber(volumeSize_) + " bytes): " + sha256_);
  if (sha256_ == expected.sha256) {
    AddLog("Verify: The SHA-256 of the disc's volume is the recorded one.");
    return true;
  }
  ++ending_.differences;
  std::string message = "Verify: The SHA-256 of the disc's volume differs from the recorded one.\r\nRecorded: " +
                        expected.sha256 + "\r\nOn the disc: " + sha256_;
  AddLog(message);
  ui::MessageBox(message, ProgramName, ui::kIconError);
  return true;
}
