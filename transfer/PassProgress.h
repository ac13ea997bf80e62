// SPDX-License-Identifier: GPL-3.0-or-later
// PassProgress: what the running pass of an operation has done, in one
// structure that every reader of progress shares: the operation dialog's
// rows, speed and time left, the terminal's bar and JSON lines, a speed
// graph, a disc record, one row per writer of several.
//
// The operation thread takes a sample whenever the pass it drives moves on
// (several times a second at most, and at each whole percent) and keeps the
// latest one in a PassProgressSlot. A front end receives it in two ways:
// - OperationDialog::ShowPassProgress, on the GUI thread with every progress
//   notification (each whole percent and the start of a pass): no hand-over
//   of its own;
// - TOperationThread::LatestProgress(), from any thread at any time (a timer
//   that redraws a graph): a copy under a lock the operation thread holds
//   for a few stores only.
// Taking a sample never waits for the GUI thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>

#include "host/aspi/ScsiVocabulary.h"

struct PassProgress {
  // The device on the disc side of the pass: the writer of a test, write,
  // pattern or verify on the writer; for a copy the destination device, else
  // the source device. Unset (255,255,255) when both sides are files.
  aspi::ScsiAddress writer;
  // The progress row of the pass: 0 test, 1 write, 2 copy, 3 verify; -1
  // before the first pass of the operation.
  int phase = -1;
  // The test pattern rather than a volume.
  bool pattern = false;
  // Counts the passes of the operation from 1: a new number is a new pass.
  uint32_t pass = 0;
  // Byte position on the disc side that the pass has reached: where its
  // next byte goes to or comes from (the volume offset included when the
  // source is the disc side).
  uint64_t position = 0;
  // Bytes the pass has moved or compared, and the bytes it moves in all.
  uint64_t done = 0;
  uint64_t total = 0;
  // Over the last few seconds; 0 until the pass has run long enough to tell.
  double bytesPerSecond = 0;
  // At that speed; -1 while no speed is known, 0 once the pass is complete.
  int64_t secondsLeft = -1;
  // Since the pass began.
  double seconds = 0;
  // The pass has ended (done stays short of total after a failure or a
  // cancel).
  bool ended = false;

  int Percent() const { return total == 0 ? 100 : static_cast<int>(done * 100 / total); }
};

// The latest sample, written by the operation thread and read by anyone.
class PassProgressSlot {
 public:
  void Publish(const PassProgress& progress) {
    std::lock_guard lock(mutex_);
    latest_ = progress;
  }
  PassProgress Latest() const {
    std::lock_guard lock(mutex_);
    return latest_;
  }

 private:
  mutable std::mutex mutex_;
  PassProgress latest_;
};
