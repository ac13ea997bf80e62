// SPDX-License-Identifier: GPL-3.0-or-later
// PassSpeed: how fast the running pass moves its data and how long it has
// left, from samples of the bytes it has moved (or the whole percents a
// dialog learns of), each at the moment it arrives. The speed is
// taken over the last few seconds, so that it follows the drive rather than
// the average since the start; the time left is the rest of the pass at that
// speed. The moments are given by the caller, so the arithmetic needs no
// clock of its own.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

class PassSpeed {
 public:
  using Clock = std::chrono::steady_clock;
  // DVD 1x: 1,385,000 bytes per second.
  static constexpr double kDvd1xBytesPerSecond = 1385000.0;
  // The speed is measured over at least this much of the recent past.
  static constexpr std::chrono::milliseconds kWindow{3000};

  // A pass of bytes starts at now, at 0%.
  void Begin(uint64_t bytes, Clock::time_point now);
  // The pass has reached percent (0-100) at now.
  void Progress(int percent, Clock::time_point now);
  // The pass has moved bytes (at most the total) by now.
  void Moved(uint64_t bytes, Clock::time_point now);
  // Forgets the pass: no speed, no time left.
  void Clear();

  // Bytes per second; nothing until the pass has moved data over a measurable time.
  std::optional<double> BytesPerSecond() const;
  // Whole seconds left at the current speed; 0 once the pass is complete.
  std::optional<int64_t> SecondsLeft() const;

  // "Speed: 5.54 MB/s (4.0x)" (MB = 1,000,000 bytes); empty without a speed.
  std::string SpeedText() const;
  // "Time left: 1:05" or "Time left: 1:02:03"; empty without a speed.
  std::string TimeLeftText() const;

 private:
  struct Sample {
    Clock::time_point at;
    uint64_t bytes;
  };
  uint64_t total_ = 0;
  std::deque<Sample> samples_;
};
