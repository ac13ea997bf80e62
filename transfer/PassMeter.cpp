// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/PassMeter.h"

#include <algorithm>

void PassMeter::Begin(const PassStart& start, Clock::time_point now) {
  const uint32_t pass = current_.pass + 1;
  current_ = PassProgress{};
  current_.writer = start.writer;
  current_.phase = start.phase;
  current_.pattern = start.pattern;
  current_.pass = pass;
  current_.total = start.total;
  current_.position = start.startPosition;
  startPosition_ = start.startPosition;
  begun_ = lastSpeedSample_ = now;
  speed_.Begin(start.total, now);
  Publish(now);
}

void PassMeter::Sample(uint64_t done, uint64_t total, Clock::time_point now) {
  if (current_.pass == 0) return;  // no pass has begun
  if (total != current_.total) {
    // The pass learnt its real size (a pattern cut to the disc): the speed
    // starts over with it.
    current_.total = total;
    speed_.Begin(total, begun_);
  }
  current_.done = std::min(done, total);
  current_.position = startPosition_ + current_.done;
  if (now - lastSpeedSample_ >= kSpeedInterval || current_.done == total) {
    speed_.Moved(current_.done, now);
    lastSpeedSample_ = now;
  }
  Publish(now);
}

void PassMeter::End(Clock::time_point now) {
  if (current_.pass == 0 || current_.ended) return;
  current_.ended = true;
  Publish(now);
}

void PassMeter::Publish(Clock::time_point now) {
  current_.seconds = std::chrono::duration<double>(now - begun_).count();
  current_.bytesPerSecond = speed_.BytesPerSecond().value_or(0);
  current_.secondsLeft = current_.done >= current_.total ? 0 : speed_.SecondsLeft().value_or(-1);
  slot_.Publish(current_);
}
