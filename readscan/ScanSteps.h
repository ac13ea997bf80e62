// SPDX-License-Identifier: GPL-3.0-or-later
// ScanSteps: what a read scan found, as plain data: the steps it read with
// their times, the unreadable ranges, and the report a scan gives while it
// runs and at its end. The scan (ReadScan.h) fills them; the verdict
// (ScanVerdict.h) judges and summarizes them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Blocks first .. first + count - 1.
struct BlockRange {
  uint64_t first = 0;
  uint64_t count = 0;
  uint64_t Last() const { return first + count - 1; }
  bool operator==(const BlockRange&) const = default;
};

struct ScanStep {
  uint64_t first = 0;   // first block of the step
  uint32_t blocks = 0;
  double seconds = 0;   // the step's first read, its retries not counted
  bool failed = false;  // the first read failed; its blocks were read one by one
  uint32_t unreadable = 0;  // blocks of the step that could not be read
  bool slow = false;        // judged after the scan (ScanVerdict.h)

  // The read speed of the step; 0 for a step whose read failed.
  double BytesPerSecond(uint32_t blockSize) const;
};

// What the scan found, as it stands.
struct ScanReport {
  uint32_t blockSize = 0;
  uint64_t areaBlocks = 0;     // the recorded area as the drive reported it
  uint64_t scannedBlocks = 0;  // read or tried so far
  std::vector<ScanStep> steps;
  std::vector<BlockRange> unreadable;  // merged, in order
  uint32_t retries = 0;
  uint32_t retryLimit = 0;
  uint64_t notRetried = 0;  // blocks counted unreadable without a retry
  bool blankFound = false;  // the recorded area ended early, at scannedBlocks
  double seconds = 0;       // since the scan began
  double nominalBytesPerSecond = 0;
  bool ended = false;
  bool canceled = false;
  std::string stopped;  // why the drive stopped the scan; empty when it did not

  uint64_t UnreadableBlocks() const;
  // Nothing is wrong with the scan itself (it may have found unreadable
  // blocks).
  bool Complete() const { return ended && !canceled && stopped.empty(); }
};
