// SPDX-License-Identifier: GPL-3.0-or-later
// StepRing: the steps of a data pass on their way from the worker that
// fills them (a reader) to the side that empties them (the writer, or the
// comparison of a verify), in order, through a fixed number of step buffers
// made once per pass.
//
// Hand-over costs at most one wake-up per step in each direction, and
// usually far less: a side blocks only when it has nothing to do (no full
// step to empty, no free step to fill), and the other side wakes it only
// once half the ring is ready for it again (or the pass ends), so that a
// waiting side gets a batch of steps per wake-up. A side that never waits is
// never woken.
//
// Contract: one thread fills (NextEmpty, then Publish), one thread empties
// (NextFull, then Release), each holding at most one step at a time; Finish
// comes from the filling side after its last step; Stop may come from
// anywhere. A step's fields and bytes belong to the side holding it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class StepRing {
 public:
  struct Step {
    uint8_t* bytes = nullptr;  // room for StepBytes()
    uint64_t index = 0;        // 0, 1, 2 ... in pass order
    uint64_t offset = 0;       // volume position of the step's first byte
    uint32_t count = 0;        // bytes of the volume in the step
    uint32_t moved = 0;        // of those, the bytes the source really held
  };
  enum class Wait { Ready, Ended, TimedOut };
  static constexpr std::chrono::milliseconds kForever{-1};

  StepRing(uint32_t stepBytes, uint32_t depth);
  StepRing(const StepRing&) = delete;
  StepRing& operator=(const StepRing&) = delete;

  uint32_t StepBytes() const { return stepBytes_; }
  uint32_t Depth() const { return depth_; }

  // Filling side: a free step to fill (blocks until there is one), nullptr
  // once the ring is stopped. Publish hands it on; Finish says no step
  // follows, so that the emptying side ends after the full ones.
  Step* NextEmpty();
  void Publish();
  void Finish();

  // Emptying side: the next full step (blocks at most limit), nullptr with
  // why = Ended once the filling side finished and every step is taken, or
  // the ring is stopped; TimedOut when limit passed. Release frees the step.
  Step* NextFull(Wait* why = nullptr, std::chrono::milliseconds limit = kForever);
  void Release();

  // Ends the pass at once: both sides get nullptr from now on.
  void Stop();
  bool Stopped() const;

  // How often each side was woken from a wait (for the tests and the
  // benchmarks).
  uint64_t FillerWakeups() const;
  uint64_t EmptierWakeups() const;

 private:
  uint32_t Full() const { return static_cast<uint32_t>(published_ - released_); }
  // Counts a step handed on and wakes the other side when it waits and a
  // batch is ready for it (full steps when forFull, else free ones).
  void Advance(uint64_t& count, bool& otherWaiting, std::condition_variable& otherWake, bool forFull);

  const uint32_t stepBytes_;
  const uint32_t depth_;
  const uint32_t batch_;  // what a waiting side is woken for
  std::unique_ptr<uint8_t[]> bytes_;
  std::vector<Step> steps_;

  mutable std::mutex mutex_;
  std::condition_variable fillerWake_, emptierWake_;
  uint64_t published_ = 0;  // steps handed on so far
  uint64_t released_ = 0;   // steps emptied so far
  bool finished_ = false;
  bool stopped_ = false;
  bool fillerWaiting_ = false;
  bool emptierWaiting_ = false;
  uint64_t fillerWakeups_ = 0;
  uint64_t emptierWakeups_ = 0;
};
