// SPDX-License-Identifier: GPL-3.0-or-later
// PassMeter: takes the samples of the running pass for its PassProgress
// (PassProgress.h): the bytes done at a moment, turned into the position on
// the disc, the speed over the last few seconds and the time left, and keeps
// the latest one where any thread may read it. The moments are given by the
// caller, so the arithmetic needs no clock of its own. Used by one thread
// (the operation thread); Latest() by any.
#pragma once

#include <chrono>
#include <cstdint>

#include "host/aspi/ScsiVocabulary.h"
#include "transfer/PassProgress.h"
#include "transfer/PassSpeed.h"

class PassMeter {
 public:
  using Clock = PassSpeed::Clock;
  // Samples closer together than this only move the counts; the speed
  // window takes one per interval.
  static constexpr std::chrono::milliseconds kSpeedInterval{50};

  struct PassStart {
    aspi::ScsiAddress writer;
    int phase = 0;
    bool pattern = false;
    uint64_t startPosition = 0;  // position on the disc side of the pass's first byte
    uint64_t total = 0;
  };

  // A new pass begins at now with nothing done.
  void Begin(const PassStart& start, Clock::time_point now);
  // The pass has done bytes (of total, which may have changed) by now.
  void Sample(uint64_t done, uint64_t total, Clock::time_point now);
  // The pass has ended at now.
  void End(Clock::time_point now);

  // The report as the operation thread last took it.
  const PassProgress& Current() const { return current_; }
  // The same, from any thread.
  PassProgress Latest() const { return slot_.Latest(); }

 private:
  void Publish(Clock::time_point now);

  PassProgress current_;
  PassSpeed speed_;
  uint64_t startPosition_ = 0;
  Clock::time_point begun_{};
  Clock::time_point lastSpeedSample_{};
  PassProgressSlot slot_;
};
