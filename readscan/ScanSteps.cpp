// SPDX-License-Identifier: GPL-3.0-or-later
#include "readscan/ScanSteps.h"

#include <algorithm>

double ScanStep::BytesPerSecond(uint32_t blockSize) const {
  if (failed) return 0;
  // A clock too coarse to see the step still gives a speed, not a division by 0.
  return static_cast<double>(blocks) * blockSize / std::max(seconds, 1e-9);
}

uint64_t ScanReport::UnreadableBlocks() const {
  uint64_t blocks = 0;
  for (const BlockRange& range : unreadable) blocks += range.count;
  return blocks;
}
