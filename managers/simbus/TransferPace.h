// SPDX-License-Identifier: GPL-3.0-or-later
// TransferPace: how long an emulated drive's data commands take at its
// speed. The medium moves at a fixed rate; a command's bytes pass it after
// everything sent before them, so the commands of a pass take the rate's
// time between them, whatever each one's own overhead, sleep or scheduling.
// The drive buffers kCatchUp of the medium's time: a program that falls
// behind by that much loses no medium time, and after a longer gap the
// medium starts afresh (the first commands fill the buffer at once).
#pragma once

#include <chrono>
#include <cstdint>

namespace simbus {

class TransferPace {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr Clock::duration kCatchUp = std::chrono::milliseconds(4);

  // bytesPerSecond 0: as fast as the machine.
  explicit TransferPace(double bytesPerSecond) : rate_(bytesPerSecond) {}

  // The moment a command of bytes that reached the drive at now completes,
  // with the durations times timeScale. now itself when there is no pace.
  Clock::time_point Complete(Clock::time_point now, uint64_t bytes, double timeScale);

 private:
  double rate_;
  Clock::time_point medium_{};  // when the medium has passed everything so far
  double carry_ = 0;            // fraction of a clock tick not yet counted
};

}  // namespace simbus
