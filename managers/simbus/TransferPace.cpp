// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/simbus/TransferPace.h"

#include <algorithm>
#include <cmath>

namespace simbus {
namespace {

// A drive slower than this per command is stuck, not slow.
constexpr double kLongestSeconds = 86400.0;

}  // namespace

TransferPace::Clock::time_point TransferPace::Complete(Clock::time_point now, uint64_t bytes, double timeScale) {
  if (rate_ <= 0 || bytes == 0 || timeScale <= 0) return now;
  double seconds = static_cast<double>(bytes) / rate_ * timeScale;
  if (!std::isfinite(seconds) || seconds > kLongestSeconds) seconds = kLongestSeconds;
  // Whole clock ticks, the fraction carried to the next command, so that a
  // long pass does not drift by a fraction per command.
  double ticks = seconds * Clock::period::den / Clock::period::num + carry_;
  double whole = std::floor(ticks);
  carry_ = ticks - whole;
  Clock::duration duration(static_cast<Clock::rep>(whole));
  // Continue where the medium is while the program keeps up; after a pause
  // (the twelve seconds before a write, a question) the medium starts again
  // with at most kCatchUp in the buffer, never making up the pause.
  medium_ = std::max(medium_, now - kCatchUp) + duration;
  return std::max(now, medium_);
}

}  // namespace simbus
