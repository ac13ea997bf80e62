// SPDX-License-Identifier: GPL-3.0-or-later
// SeveralDialog: the dialog of an operation over several writers on a
// terminal. Progress goes to the standard error, one line per writer: on a
// terminal a block of bars (one per writer) redrawn in place, otherwise a
// plain line per writer and whole percent. Comments and each writer's end
// are printed as lines that name the writer.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "cli/ProgressJson.h"
#include "operation/SeveralWritersDialog.h"

class SeveralDialog : public SeveralWritersDialog {
 public:
  // With JSON lines in force (cli/ProgressJson.h) progress and comments go
  // to them instead of bars.
  SeveralDialog(std::vector<std::string> writers, bool terminal);

  void ShowWriterProgress(size_t writer, int phase, int percent, const PassProgress& report) override;
  void WriterComment(size_t writer, const std::string& text) override;
  void EnableWriterCancel(size_t, bool) override {}
  bool AskWriteMode(uint64_t volumeBytes, uint64_t discBytes) override;
  void WriterEnded(size_t writer, const WriterOutcome& outcome) override;
  void AllEnded(const std::vector<WriterOutcome>&) override { BreakLine(); }

  // Leaves the block of bars where it is, so that a box printed next stands
  // below it and the next progress starts a new block.
  void BreakLine();

 private:
  struct Row {
    int phase = -1;
    int percent = -1;
    PassProgress report;
  };
  std::string Line(size_t writer) const;
  void Redraw();

  const std::vector<std::string> writers_;
  const bool terminal_;
  ProgressJson* const json_;  // JSON lines, else null
  std::mutex mutex_;
  std::vector<Row> rows_;
  bool blockShown_ = false;
};
