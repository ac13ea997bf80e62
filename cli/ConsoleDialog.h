// SPDX-License-Identifier: GPL-3.0-or-later
// ConsoleDialog: the operation dialog on a terminal. Progress goes to the
// standard error, as a bar per phase (percent, bytes, speed, time left) on a
// terminal and as a plain line per whole percent otherwise; the comment line
// and the result are printed as lines. With JSON lines in force
// (--progress json, write --json: cli/ProgressJson.h) the progress goes to
// them instead, the comments to both.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "cli/ProgressJson.h"
#include "operation/OperationDialog.h"

class ConsoleDialog : public OperationDialog {
 public:
  ConsoleDialog(uint64_t volumeSize, bool terminal);

  uint64_t CurrentVolumeSize() override { return volumeSize_; }
  void ShowProgress(int phase, int percent) override;
  void ShowPassProgress(const PassProgress& report) override;
  void OperationErrorShown() override {}
  bool AskWriteMode(uint64_t volumeBytes, uint64_t discBytes) override;
  void OperationEnded(OperationResult result, bool closeAtEnd) override;
  void SetComment(const std::string& text) override;
  void EnableCancel(bool) override {}

  // Ends an open progress bar line, so that a box printed next starts on a
  // line of its own.
  void BreakLine();
  // Where the bytes of the running pass come from, once the operation
  // exists: it may cut the volume to the disc (round down mode, a pattern
  // set to the disc size), and the bar counts what it really moves.
  void FollowPassBytes(std::function<uint64_t()> passBytes) { passBytes_ = std::move(passBytes); }
  // The drive on the disc side of the operation ("0,4,0", "" for files
  // only), which the JSON comment lines name.
  void NameWriter(std::string writer) { writer_ = std::move(writer); }

  // One progress line as the terminal shows it.
  static std::string Bar(const char* phase, int percent, uint64_t bytes, double seconds, uint64_t total);
  // "Test", "Write", "Copy", "Verify" for the progress rows 0-3.
  static const char* PhaseName(int phase);
  // The "Write Mode Select" window as a question on the console: true for
  // OK (write the volume up to the disc size).
  static bool AskWriteModeOnConsole(uint64_t volumeBytes, uint64_t discBytes);

 private:
  void EndBarLine();

  uint64_t volumeSize_;
  std::function<uint64_t()> passBytes_;
  bool terminal_;
  ProgressJson* json_;  // JSON lines (--progress json, write --json), else null
  std::string writer_;
  mutable std::mutex mutex_;
  int phase_ = -1;
  int lastPercent_ = -1;
  bool barOpen_ = false;
  std::chrono::steady_clock::time_point phaseStart_;
};
