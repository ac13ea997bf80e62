// SPDX-License-Identifier: GPL-3.0-or-later
// SeveralWriters: one volume recorded on several writers at once, with the
// choices of the single write (test, write, verify). Each writer runs the
// single writer's operation on a TOperationThread of its own: its disc
// checks and refusals, its medium lock, its passes, its leadout, its
// difference report and its result. They share a WriterGroup: the source is
// opened once and each pass reads it once for all (a writer that falls a
// whole window behind reads it on its own), and the write mode question is
// asked once, for the smallest disc. A writer that fails or is canceled ends
// as a single writer ends (disc unlocked and ejected, no leadout after a
// cancel) while the others go on; at the end one box lists every writer's
// result.
//
// What a single writer's operation keeps when it ends (its log lines, the
// record of its disc) each writer's TOperationThread keeps for its own disc
// at the end of its Execute: one per disc, nothing for the group as such.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "operation/OperationRequest.h"
#include "operation/SeveralWritersDialog.h"

class SCSIDEV;
class TOperationThread;
class WriterGroup;

struct SeveralWritersRequest {
  Operation operation = Operation::WriteVerify;  // one of the write list's operations
  Endpoint source;
  VolumeInfo volume;  // as the source check found it (the size may have been changed)
  std::vector<SCSIDEV*> writers;  // not owned; each a different device
};

class SeveralWriters {
 public:
  SeveralWriters(SeveralWritersDialog& dialog, SeveralWritersRequest request);
  // Cancels the writers still running and waits for them.
  ~SeveralWriters();
  SeveralWriters(const SeveralWriters&) = delete;
  SeveralWriters& operator=(const SeveralWriters&) = delete;

  // Opens the source and starts every writer. False, with an error box and
  // nothing started, when there is no writer, a writer is named twice, the
  // source is a writer, or the source cannot be opened or is shorter than
  // the volume.
  bool Start();
  // Cancels one writer, as its own Cancel button does; the others go on.
  void Cancel(size_t writer);
  void CancelAll();
  bool Finished() const;
  // Waits at most limit (for each writer still running) until every writer
  // has finished; true once they all have.
  bool WaitFinished(std::chrono::milliseconds limit);
  void WaitFor();

  size_t Count() const { return request_.writers.size(); }
  const SeveralWritersRequest& Request() const { return request_; }
  // The writers' results, in the request's order (complete once Finished).
  std::vector<WriterOutcome> Outcomes() const;
  // The progress report of a writer's running (or last) pass, from any
  // thread.
  PassProgress LatestProgress(size_t writer) const;
  // Bytes read from the source so far, by every pass of every writer.
  uint64_t SourceBytesRead() const;

  // "0,4,0: Operation done." and so on, one line per writer.
  static std::string ResultLines(const std::vector<WriterOutcome>& outcomes);

 private:
  class MemberDialog;
  bool RefusedRequest() const;
  // On the GUI thread, from the writer's result notification.
  void MemberEnded(size_t writer, OperationResult result);

  SeveralWritersDialog& dialog_;
  const SeveralWritersRequest request_;
  std::unique_ptr<WriterGroup> group_;
  std::vector<std::unique_ptr<MemberDialog>> dialogs_;
  std::vector<std::unique_ptr<TOperationThread>> threads_;
  std::vector<WriterOutcome> outcomes_;  // written on the GUI thread
  size_t ended_ = 0;
};
