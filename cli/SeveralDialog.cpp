// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/SeveralDialog.h"

#include "base/NumberText.h"
#include "base/TextFormat.h"
#include "cli/ConsoleDialog.h"
#include "host/os/Platform.h"
#include "operation/SeveralWriters.h"

SeveralDialog::SeveralDialog(std::vector<std::string> writers, bool terminal)
    : writers_(std::move(writers)), terminal_(terminal), json_(ActiveProgressJson()), rows_(writers_.size()) {}

std::string SeveralDialog::Line(size_t writer) const {
  const Row& row = rows_[writer];
  if (row.phase < 0) return FormatText("%-7s waiting", writers_[writer].c_str());
  return FormatText("%-7s ", writers_[writer].c_str()) +
         ConsoleDialog::Bar(ConsoleDialog::PhaseName(row.phase), row.percent, row.report.done, row.report.seconds,
                            row.report.total);
}

void SeveralDialog::Redraw() {
  // Back up over the block drawn last, then draw every writer's bar again.
  std::string text = blockShown_ ? FormatText("\x1b[%zuA", writers_.size()) : "";
  for (size_t i = 0; i < writers_.size(); ++i) text += "\r" + Line(i) + "\x1b[K\n";
  host::WriteStderr(text);
  blockShown_ = true;
}

void SeveralDialog::ShowWriterProgress(size_t writer, int phase, int percent, const PassProgress& report) {
  std::lock_guard lock(mutex_);
  Row& row = rows_[writer];
  const bool moved = row.phase != phase || row.percent != percent;
  row.phase = phase;
  row.percent = percent;
  row.report = report;
  if (!moved) return;
  if (json_ != nullptr) {
    json_->Progress(ProgressJson::FromPass(phase, percent, report));
  } else if (terminal_) {
    Redraw();
  } else {
    host::WriteStderr(FormatText("%s %s %d%% (%s bytes)\n", writers_[writer].c_str(),
                                 ConsoleDialog::PhaseName(phase), percent, FormatNumber(report.done).c_str()));
  }
}

void SeveralDialog::WriterComment(size_t writer, const std::string& text) {
  if (text.empty()) return;
  std::lock_guard lock(mutex_);
  blockShown_ = false;
  host::WriteStderr(writers_[writer] + ": " + text + "\n");
  // The writers' names are their addresses, as the progress lines name them.
  if (json_ != nullptr) json_->Comment(writers_[writer], text);
}

bool SeveralDialog::AskWriteMode(uint64_t volumeBytes, uint64_t discBytes) {
  BreakLine();
  return ConsoleDialog::AskWriteModeOnConsole(volumeBytes, discBytes);
}

void SeveralDialog::WriterEnded(size_t, const WriterOutcome& outcome) {
  std::lock_guard lock(mutex_);
  blockShown_ = false;
  host::WriteStderr(SeveralWriters::ResultLines({outcome}) + "\n");
}

void SeveralDialog::BreakLine() {
  std::lock_guard lock(mutex_);
  blockShown_ = false;
}
