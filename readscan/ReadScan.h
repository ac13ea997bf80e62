// SPDX-License-Identifier: GPL-3.0-or-later
// ReadScan: reads the whole recorded area of a disc step by step, never
// writing, and times every step, so that a picture can show the read speed
// over the disc with its unreadable and slow places. A step whose read fails
// is read again block by block (one retry per block) to find exactly which
// blocks cannot be read; the retries of the whole scan are bounded, and once
// the bound is reached the blocks of a failing step count as unreadable
// without a retry (the report says how many). A blank block ends the
// recorded area there. The slow steps are judged once the scan has ended
// (ScanVerdict.h), because a step is compared with the steps after it too.
//
// Run() works on the calling thread; Snapshot() may be called from any
// other thread meanwhile (a window's timer).
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "readscan/ScanSource.h"
#include "readscan/ScanSteps.h"

class ReadScan {
 public:
  struct Options {
    uint32_t stepBytes = 65536;  // as the data passes move a volume
    uint32_t retryLimit = 4096;  // single-block retries in the whole scan
  };

  ReadScan(ScanSource& source, ScanClock& clock);
  ReadScan(ScanSource& source, ScanClock& clock, Options options);

  // Scans until the end of the area, a cancel (canceled is asked between
  // reads) or a drive that stops.
  void Run(const std::function<bool()>& canceled);

  // The report so far, with the steps from index fromStep on (the others
  // left out, for a reader that keeps the earlier ones).
  ScanReport Snapshot(size_t fromStep = 0) const;

 private:
  enum class StepEnd { Next, AreaEnded, Stop };
  StepEnd ReadStep(uint64_t first, uint32_t blocks, const std::function<bool()>& canceled);
  // Reads the blocks of a failed step one by one; retries: they count as
  // retries of unreadable blocks (not when the step was blank).
  StepEnd RetryBlocks(ScanStep& step, bool retries, const std::function<bool()>& canceled);
  void AddUnreadable(uint64_t first, uint64_t count);
  void Finish();

  ScanSource& source_;
  ScanClock& clock_;
  Options options_;
  std::vector<uint8_t> buffer_;
  double begun_ = 0;
  mutable std::mutex mutex_;
  ScanReport report_;  // all but the steps
  std::vector<ScanStep> steps_;
};
