// SPDX-License-Identifier: GPL-3.0-or-later
// TOperationThread: runs one operation that a front end has set up as an
// OperationRequest, on a thread of its own: writing a volume onto a DVD-R
// writer (with an optional test write before and verify after), verifying a
// written disc, writing and verifying a test pattern, or copying and
// verifying between devices and image files.
//
// An operation is a table of steps (test, write, copy, verify) taken from
// its operation code; each step on a writer holds the disc with a
// MediumLock, and each step that moves or compares a volume runs a DataPass.
// The thread tells its dialog about progress and the result through
// notifications that run on the GUI thread while it waits. Cancel is the
// thread's terminate request, set by the dialog and polled by every loop.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/os/Thread.h"
#include "operation/OperationDialog.h"
#include "operation/OperationRequest.h"
#include "records/DiscRecord.h"
#include "transfer/DataPass.h"
#include "transfer/PassGraph.h"
#include "transfer/PassMeter.h"
#include "transfer/TransferArea.h"

class MediumLock;
class SCSIDEV;
class WriterGroup;

class TOperationThread : public host::Thread, private PassHost {
 public:
  TOperationThread(OperationDialog& dialog, OperationRequest request);
  ~TOperationThread() override;

  // running := true, succeeded := true, error shown and close at end :=
  // false, percent := 0; then the thread runs.
  void Start();

  // One of several writers that record the same volume at once (set before
  // Start): the write mode question and the source's passes are shared with
  // the group's other members, the boxes name the writer, and the result is
  // told to the dialog without a result box of its own.
  void JoinGroup(WriterGroup& group, size_t member);

  // The pattern sector at lba: 512 big-endian words lba, lba + 1, ...
  static void BuildPatternSectors(uint8_t* area, uint32_t firstLba, uint32_t sectorCount);

  bool Running() const { return running_.load(); }
  // How the operation ended; valid once Running() is false.
  OperationOutcome Outcome() const { return outcome_; }
  const OperationRequest& Request() const { return request_; }
  uint16_t OperationCode() const { return CodeOf(request_.operation); }
  // What the operation worked with: the volume size it took from the dialog
  // (cut to the disc in round down mode), the write mode (1 single, 3 round
  // down) and the pattern size in sectors.
  uint64_t VolumeSize() const { return volumeSize_; }
  int WriteMode() const { return writeMode_; }
  uint32_t PatternSectors() const { return patternSectors_; }
  // The progress report of the running (or last) pass, from any thread.
  PassProgress LatestProgress() const { return meter_.Latest(); }

 protected:
  void Execute() override;

 private:
  enum class Step { Test, Write, Copy, Verify };
  struct StepRow;

  // The three operations and the steps they run.
  bool NormalWrite();
  bool WriteSequence();
  bool CopySingleMode();

  bool PatternWrite();
  // Runs the steps of the operation code in order (test, write, copy,
  // verify), each through runStep; a failed step shows its box and ends.
  bool RunSteps(const std::function<bool(Step)>& runStep);
  bool WritePass(SCSIDEV& writer);
  bool VerifyOnWriter(SCSIDEV& writer);
  bool PatternPass(SCSIDEV& writer, uint32_t sectors);
  bool PatternVerify(SCSIDEV& writer, uint32_t sectors);
  // The verify of the disc's volume against the request's expected digest
  // and size: reads the disc alone; a differing size or digest is a
  // difference.
  bool VerifyAgainstDigest(SCSIDEV& disc);
  // A data pass of the volume between the sides of the request.
  bool RunPass(Step step, const Endpoint& destination);
  PassSides SidesTo(const Endpoint& destination) const;

  // PassHost: what the data passes ask.
  bool CancelRequested() override { return Terminated(); }
  void ShowStartPercent(int percent) override;
  bool ShowPercent(uint64_t done, uint64_t total) override;
  std::string BoxCaption() const override;
  // The progress report: a pass on the device at disc (unset for files)
  // begins at byte position start of that side with total bytes to move;
  // the pass has ended.
  void BeginPassReport(SCSIDEV* disc, uint64_t start, uint64_t total);
  void EndPassReport();
  // Asks before a copy writes over its destination; false ends the copy.
  bool MayWriteDestination() override;

  // Notifications: run on the GUI thread while this thread waits.
  void NotifyProgress();
  void NotifyOperationError(const std::string& text);
  bool NotifyAskWriteMode(uint64_t volumeBytes, uint64_t discBytes);
  void NotifyResult();

  // The record of the operation: the medium in the drive (its capacity as
  // the operation found it; type and manufacturer as a CD/DVD drive tells
  // them), the end of each pass, and the record written when the operation
  // has ended.
  void NoteMedium(SCSIDEV& drive, std::optional<uint64_t> capacity);
  void NotePass(const char* step, bool ok, bool canceledBefore);
  DiscRecord BuildRecord(OperationResult result) const;
  void KeepRecord(OperationResult result);
  // The result of the ending as the result notification will report it.
  OperationResult ResultOfEnding() const;

  // Logs the steps that the operation code takes.
  void LogSteps() const;
  // The twelve seconds before a write; true when canceled during them (the
  // disc is then unlocked and ejected).
  bool PauseBeforeWrite(MediumLock& lock);
  // The readiness check of a write on the writer: TEST UNIT READY, a second,
  // the size, and its sense. False when the operation must end (it has
  // shown its message); size gets the free size or capacity.
  bool CheckWriter(SCSIDEV& writer, bool capacity, const char* notReadyLog, uint64_t& size);
  void Cancel(bool closeAtEnd = false);
  // A write onto a disc the writer refuses (MediumRefusal): the message has
  // been shown, and the operation ends before anything is written.
  bool RefusedMedium(SCSIDEV& writer);
  // A source that holds less than its volume declares is written only when
  // the person says Yes; false (canceled) otherwise.
  bool MayTakeShortSource();
  // The bytes the disc (every disc of a group) is to hold when free bytes
  // are left on this one: the volume, or after the write mode question what
  // the disc (the smallest disc of the group) holds. Nothing when the
  // question was answered Cancel.
  std::optional<uint64_t> SizeToWrite(uint64_t free);

  // How the operation ends, as the result notification reports it.
  struct Ending {
    bool canceled = false;
    bool declined = false;  // the person said No to writing over the destination
    bool succeeded = false;
    bool errorShown = false;
    bool closeAtEnd = false;
    uint64_t differences = 0;
    OperationResult result = OperationResult::Failed;
  };
  // The result box of the ending and its text; none for an error already
  // shown or a declined overwrite.
  void ShowResultBox();
  // Gives the writer's disc back at the end of a step: ejected, or left in
  // the drive after the operation's last step when the request says so.
  bool EjectAfterStep() const;

  OperationDialog& dialog_;
  const OperationRequest request_;
  TransferArea area_;
  std::atomic<bool> running_{false};
  Ending ending_;
  uint8_t testFlag_ = 0;  // 1 while a test write runs
  int phase_ = 0;         // the progress row: 0 test, 1 write, 2 copy, 3 verify
  int percent_ = 0;
  PassMeter meter_;
  uint64_t volumeSize_ = 0;
  int writeMode_ = 0;
  uint32_t patternSectors_ = 0;
  bool verifyRan_ = false;  // a verify step has started: the result line names its differences
  bool lastStep_ = false;   // the step running is the operation's last
  uint64_t cutFrom_ = 0;    // round down: the volume size before it was cut to the disc
  uint64_t destinationBytes_ = 0;  // a copy's destination: the capacity of a device
  std::chrono::steady_clock::time_point started_;
  OperationOutcome outcome_;

  // For the record: the start, the pass number of the meter when the
  // current step began, the passes so far, the medium, the verify's first
  // differing ranges and the digest of the last complete pass.
  std::string startedAt_;
  bool stepsRan_ = false;
  uint32_t passAtStep_ = 0;
  std::vector<RecordPass> passes_;
  PassGraph speeds_;  // the passes' speed samples, as the dialog's graph keeps them
  std::optional<RecordMedium> medium_;
  std::vector<ByteRange> firstDifferences_;
  std::string sha256_;
  std::string recordWritten_;
  WriterGroup* group_ = nullptr;
  size_t member_ = 0;
};
