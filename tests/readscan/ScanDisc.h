// SPDX-License-Identifier: GPL-3.0-or-later
// A disc for read scans whose faults the test writes down: unreadable
// blocks, regions that read slowly, the end of the recorded area. Every read
// advances the test's own clock by the time the disc takes for it (a block
// of a slow region costs its factor times as much), so what a scan measures
// does not depend on the machine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "readscan/ReadScan.h"
#include "readscan/ScanSource.h"

// The scan's clock: seconds that only reads make pass.
class DiscClock : public ScanClock {
 public:
  double Seconds() override { return now; }
  double now = 1000;
};

struct SlowRegion {
  uint64_t first;
  uint64_t count;
  double factor;
};

class ScanDisc : public ScanSource {
 public:
  static constexpr double kBlockSeconds = 0.0005;  // 2048 bytes: about 4 MB/s, 3x

  ScanDisc(DiscClock& clock, uint64_t blocks) : clock_(clock), blocks_(blocks) {}

  std::vector<BlockRange> unreadable;
  std::vector<SlowRegion> slow;
  uint64_t blankFrom = UINT64_MAX;
  bool noDisc = false;
  uint64_t stopAt = UINT64_MAX;  // a read of this block finds the drive gone
  double nominal = 0;
  std::vector<std::pair<uint64_t, uint32_t>> reads;  // first block and count of each read

  bool Open() override { return !noDisc; }
  uint32_t BlockSize() const override { return 2048; }
  uint64_t Blocks() const override { return blocks_; }
  double NominalBytesPerSecond() override { return nominal; }
  std::string Reason() const override { return noDisc ? "No readable disc in the drive." : "The drive went away."; }

  ReadResult Read(uint64_t first, uint32_t count, uint8_t*) override {
    reads.push_back({first, count});
    ReadResult result = ReadResult::Read;
    for (uint64_t block = first; block < first + count; ++block) {
      clock_.now += kBlockSeconds * FactorAt(block);
      if (block == stopAt) return ReadResult::Stopped;
      if (block >= blankFrom) return ReadResult::Blank;
      for (const BlockRange& range : unreadable)
        if (block >= range.first && block <= range.Last()) result = ReadResult::Unreadable;
    }
    return result;
  }

 private:
  double FactorAt(uint64_t block) const {
    for (const SlowRegion& region : slow)
      if (block >= region.first && block < region.first + region.count) return region.factor;
    return 1;
  }

  DiscClock& clock_;
  uint64_t blocks_;
};
