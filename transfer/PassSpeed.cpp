// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/PassSpeed.h"

#include <algorithm>
#include <cmath>

#include "base/TextFormat.h"

void PassSpeed::Begin(uint64_t bytes, Clock::time_point now) {
  total_ = bytes;
  samples_.clear();
  samples_.push_back({now, 0});
}

void PassSpeed::Progress(int percent, Clock::time_point now) {
  if (samples_.empty()) return;  // no pass has begun
  int clamped = std::clamp(percent, 0, 100);
  Moved(total_ / 100 * static_cast<uint64_t>(clamped) + total_ % 100 * static_cast<uint64_t>(clamped) / 100, now);
}

void PassSpeed::Moved(uint64_t bytes, Clock::time_point now) {
  if (samples_.empty()) return;  // no pass has begun
  samples_.push_back({now, std::min(bytes, total_)});
  // Keep one sample at or before the start of the window, so the window is
  // always fully covered once the pass has run that long.
  while (samples_.size() > 2 && now - samples_[1].at >= kWindow) samples_.pop_front();
}

void PassSpeed::Clear() {
  total_ = 0;
  samples_.clear();
}

std::optional<double> PassSpeed::BytesPerSecond() const {
  if (samples_.size() < 2) return std::nullopt;
  const Sample& first = samples_.front();
  const Sample& last = samples_.back();
  std::chrono::duration<double> elapsed = last.at - first.at;
  if (elapsed.count() <= 0 || last.bytes <= first.bytes) return std::nullopt;
  return static_cast<double>(last.bytes - first.bytes) / elapsed.count();
}

std::optional<int64_t> PassSpeed::SecondsLeft() const {
  if (!samples_.empty() && samples_.back().bytes >= total_ && samples_.size() > 1) return 0;
  std::optional<double> speed = BytesPerSecond();
  if (!speed) return std::nullopt;
  double rest = static_cast<double>(total_ - samples_.back().bytes);
  return static_cast<int64_t>(std::ceil(rest / *speed));
}

std::string PassSpeed::SpeedText() const {
  std::optional<double> speed = BytesPerSecond();
  if (!speed) return {};
  return FormatText("Speed: %.2f MB/s (%.1fx)", *speed / 1e6, *speed / kDvd1xBytesPerSecond);
}

std::string PassSpeed::TimeLeftText() const {
  std::optional<int64_t> left = SecondsLeft();
  if (!left) return {};
  return "Time left: " + DurationText(static_cast<double>(*left));
}
