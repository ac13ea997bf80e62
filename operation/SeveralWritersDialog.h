// SPDX-License-Identifier: GPL-3.0-or-later
// SeveralWritersDialog: what an operation over several writers
// (SeveralWriters.h) asks of the front end that started it: one progress row
// per writer, the write mode question once, each writer's end and the end
// of them all. The "Write to several writers" window, the headless front
// end and the tests implement it.
//
// Contract:
// - ShowWriterProgress, AskWriteMode, WriterEnded and AllEnded are called
//   through host::Thread::Synchronize, i.e. on the GUI thread while the
//   writer's operation thread waits for them to return; never two at once.
// - WriterComment and EnableWriterCancel are called directly from the
//   writer's operation thread (around its passes and its leadout); several
//   writers may call them at the same time.
// - The boxes are not the dialog's business: each writer's errors and
//   questions go through the person seam with the writer in their caption,
//   and the operation shows one box with every writer's result before
//   AllEnded.
// - A writer is canceled through SeveralWriters::Cancel, never by any call
//   on this interface.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "operation/OperationDialog.h"
#include "transfer/PassProgress.h"

// How one writer's share of the operation ended.
struct WriterOutcome {
  std::string writer;  // "0,4,0"
  OperationOutcome outcome;
  bool ended = false;
};

class SeveralWritersDialog {
 public:
  virtual ~SeveralWritersDialog() = default;

  // Writer (0..N-1, in the order of the request) has moved its progress row
  // of phase (0 test, 1 write, 3 verify) to percent; report is its pass's
  // progress report (its writer, speed and time left).
  virtual void ShowWriterProgress(size_t writer, int phase, int percent, const PassProgress& report) = 0;
  // The comment line of a writer ("Now writing ..."); empty clears it.
  virtual void WriterComment(size_t writer, const std::string& text) = 0;
  // A writer's own Cancel is off during its leadout.
  virtual void EnableWriterCancel(size_t writer, bool enabled) = 0;
  // The write mode question, once for all the discs: the volume is larger
  // than the smallest disc (discBytes). True for OK (every disc is written up
  // to the smallest disc's size).
  virtual bool AskWriteMode(uint64_t volumeBytes, uint64_t discBytes) = 0;
  // A writer has ended (the others may go on).
  virtual void WriterEnded(size_t writer, const WriterOutcome& outcome) = 0;
  // Every writer has ended and the box with their results has been
  // answered.
  virtual void AllEnded(const std::vector<WriterOutcome>& outcomes) = 0;
};
