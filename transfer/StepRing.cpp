// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/StepRing.h"

#include <algorithm>

StepRing::StepRing(uint32_t stepBytes, uint32_t depth)
    : stepBytes_(stepBytes),
      depth_(std::max<uint32_t>(depth, 1)),
      batch_(std::max<uint32_t>(depth_ / 2, 1)),
      bytes_(std::make_unique_for_overwrite<uint8_t[]>(size_t{stepBytes} * depth_)),
      steps_(depth_) {
  for (uint32_t i = 0; i < depth_; ++i) steps_[i].bytes = bytes_.get() + size_t{stepBytes} * i;
}

StepRing::Step* StepRing::NextEmpty() {
  std::unique_lock lock(mutex_);
  if (!stopped_ && Full() == depth_) {
    fillerWaiting_ = true;
    fillerWake_.wait(lock, [this] { return stopped_ || depth_ - Full() >= batch_; });
    fillerWaiting_ = false;
    ++fillerWakeups_;
  }
  if (stopped_) return nullptr;
  Step& step = steps_[published_ % depth_];
  step.index = published_;
  return &step;
}

void StepRing::Advance(uint64_t& count, bool& otherWaiting, std::condition_variable& otherWake, bool forFull) {
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    ++count;
    const uint32_t ready = forFull ? Full() : depth_ - Full();
    wake = otherWaiting && ready >= batch_;
    if (wake) otherWaiting = false;
  }
  if (wake) otherWake.notify_one();
}

void StepRing::Publish() { Advance(published_, emptierWaiting_, emptierWake_, true); }

void StepRing::Finish() {
  {
    std::lock_guard lock(mutex_);
    finished_ = true;
  }
  emptierWake_.notify_one();
}

StepRing::Step* StepRing::NextFull(Wait* why, std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  auto ready = [this] { return stopped_ || finished_ || Full() >= batch_; };
  Wait result = Wait::Ready;
  if (!stopped_ && Full() == 0 && !finished_) {
    emptierWaiting_ = true;
    if (limit < std::chrono::milliseconds::zero()) {
      emptierWake_.wait(lock, ready);
    } else if (!emptierWake_.wait_for(lock, limit, ready)) {
      result = Wait::TimedOut;
    }
    emptierWaiting_ = false;
    ++emptierWakeups_;
  }
  if (stopped_ || (Full() == 0 && finished_)) result = Wait::Ended;
  if (why != nullptr) *why = Full() > 0 && !stopped_ ? Wait::Ready : result;
  if (stopped_ || Full() == 0) return nullptr;
  return &steps_[released_ % depth_];
}

void StepRing::Release() { Advance(released_, fillerWaiting_, fillerWake_, false); }

void StepRing::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopped_ = true;
  }
  fillerWake_.notify_all();
  emptierWake_.notify_all();
}

bool StepRing::Stopped() const {
  std::lock_guard lock(mutex_);
  return stopped_;
}

uint64_t StepRing::FillerWakeups() const {
  std::lock_guard lock(mutex_);
  return fillerWakeups_;
}

uint64_t StepRing::EmptierWakeups() const {
  std::lock_guard lock(mutex_);
  return emptierWakeups_;
}
