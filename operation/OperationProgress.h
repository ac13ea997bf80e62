// SPDX-License-Identifier: GPL-3.0-or-later
// OperationProgress: the whole operation's progress across its steps (test,
// write or copy, verify), from the progress rows a dialog is shown, and the
// time the whole operation has left at the pace it has kept since its start
// (pauses and leadouts included). Each step moves the same volume, so each
// counts the same. The moments are given by the caller.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "operation/Operation.h"

class OperationProgress {
 public:
  using Clock = std::chrono::steady_clock;

  // The operation starts at now, at 0%.
  void Begin(Operation operation, Clock::time_point now);
  // The progress row of phase (0 test, 1 write, 2 copy, 3 verify) shows
  // percent at now.
  void Progress(int phase, int percent, Clock::time_point now);

  int Steps() const { return steps_; }
  // 0-100 over the whole operation.
  int Percent() const;
  // Whole seconds left; nothing before the first percent.
  std::optional<int64_t> SecondsLeft() const;
  // "Overall: 45%   Time left: 1:23" (the time once it is known).
  std::string Text() const;

 private:
  Operation operation_ = Operation::TestOnly;
  int steps_ = 0;
  int step_ = 0;     // index of the running step
  int percent_ = 0;  // of the running step
  Clock::time_point started_{}, now_{};
};
