// SPDX-License-Identifier: GPL-3.0-or-later
// OperationDialog: what an operation thread asks of the dialog that started
// it. The Qt operation dialog, the headless front end and the tests implement
// it.
//
// Contract:
// - Notifications (ShowProgress with ShowPassProgress, OperationErrorShown,
//   AskWriteMode, OperationEnded) are called through host::Thread::Synchronize, i.e. on the
//   GUI thread while the operation thread waits for them to return.
// - SetComment and EnableCancel are called directly from the operation thread
//   (around a pass and the leadout); an implementation must accept them from
//   that thread.
// - CurrentVolumeSize is read once, on the operation thread, when the
//   operation starts.
// - Message boxes are not the dialog's business: the operation thread shows
//   its error, question and result boxes through the person seam
//   (ui::MessageBox) and then tells the dialog what became of the operation.
// - The dialog cancels an operation with its terminate request
//   (TOperationThread::Terminate), never by any call on this interface.
#pragma once

#include <cstdint>
#include <string>

#include "transfer/PassProgress.h"

// How an operation ended, as its result box said.
enum class OperationResult {
  ErrorShown,   // an error box has said it all; no result box
  Canceled,     // "Operation canceled."; or the person declined to write over
                // the destination, and no box follows the question
  Done,         // "Operation done." (with how much of the volume a disc
                // holds when it took only the first part)
  Failed,       // "Operation failed."
  Differences,  // the verify found differences: a warning box says how many
};

// What a front end learns when an operation has ended: its result, how many
// steps of its verify passes found different bytes, the text of its result
// box (empty when none was shown), how long it ran, the SHA-256 of the
// volume (empty when no pass read it whole) and where its disc record went
// (empty when none was written).
struct OperationOutcome {
  OperationResult result = OperationResult::Failed;
  uint64_t differences = 0;
  std::string text;
  double seconds = 0;
  std::string sha256;
  std::string recordFile;
  bool DifferencesFound() const { return differences > 0; }
};

class OperationDialog {
 public:
  virtual ~OperationDialog() = default;

  // The volume size in bytes as the dialog holds it now ("Change size..."
  // may have changed it after the operation was built).
  virtual uint64_t CurrentVolumeSize() = 0;
  // Moves the progress row of phase (0 test, 1 write, 2 copy, 3 verify) to
  // percent (0-100) and its label to "<percent>%".
  virtual void ShowProgress(int phase, int percent) = 0;
  // The running pass's progress report (PassProgress.h) as it stood at that
  // ShowProgress, called right after it in the same notification. Between
  // notifications a front end may read TOperationThread::LatestProgress().
  // The default ignores it.
  virtual void ShowPassProgress(const PassProgress&) {}
  // An error box has been shown: Start and the operation list are usable
  // again (the list with its normal colour).
  virtual void OperationErrorShown() = 0;
  // The write mode question: the volume (volumeBytes) is larger than the
  // disc (discBytes). Shows the "Write Mode Select" window modally with both
  // sizes; true for OK (write the volume up to the disc size), false for
  // "Cancel writing" or a closed window.
  virtual bool AskWriteMode(uint64_t volumeBytes, uint64_t discBytes) = 0;
  // The operation has ended; its result box comes next. A question the
  // dialog still has open about it (the cancel question) no longer matters
  // and is taken back.
  virtual void OperationEnding() {}
  // The operation has ended and its result box (if any) has been answered.
  // Enable Start; when closeAtEnd, close the dialog as its Cancel button does,
  // taking effect after this call has returned; then reset the progress
  // rows, the comment line, the operation list and "Change size...".
  virtual void OperationEnded(OperationResult result, bool closeAtEnd) = 0;
  // The comment line under the progress rows ("Now writing ..."); empty
  // clears it.
  virtual void SetComment(const std::string& text) = 0;
  // Enables or disables the Cancel button (disabled during a leadout).
  virtual void EnableCancel(bool enabled) = 0;
};
