// SPDX-License-Identifier: GPL-3.0-or-later
// ScanVerdict: what a read scan's steps mean: which steps are slow, the
// summary a person reads at the end, and the map drawn from them.
//
// A step is slow when it read below half the median speed of the 16 steps
// around it (8 before and 8 after; near either end of the disc the window
// takes more from the other side). Only whole steps that read at the first
// attempt are judged and serve as neighbours: a failed step is marked
// unreadable instead, and the short last step would be judged by the
// drive's overhead per command. A slow region longer than 8 steps is the
// disc's own pace there, not a dip, and is not marked.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chart/SpeedChart.h"
#include "readscan/ScanSteps.h"

inline constexpr int kSlowNeighbours = 16;

// Judges every step, or (during a scan, as steps come) only the steps from
// index fromStep on, whose windows the new steps may have changed: pass the
// count judged before less kSlowNeighbours.
void JudgeSlowSteps(std::vector<ScanStep>& steps, uint32_t blockSize, size_t fromStep = 0);

// Bytes [from, to) of the disc and the speed they were read at.
struct ScanRegion {
  uint64_t from = 0;
  uint64_t to = 0;
  double bytesPerSecond = 0;
  uint32_t steps = 0;
  bool slow = false;  // made of slow steps; otherwise the slowest single step
};

struct ScanSummary {
  uint64_t readableBytes = 0;
  uint64_t unreadableBlocks = 0;
  std::vector<ScanRegion> slowRegions;    // runs of adjacent slow steps
  std::optional<ScanRegion> slowest;      // the slowest slow region, else the slowest step
  double averageBytesPerSecond = 0;       // over the steps that read at once
  double minimumBytesPerSecond = 0;
  double seconds = 0;
};

// report must hold all its steps.
ScanSummary Summarize(const ScanReport& report);
// The summary as lines of text, for the window and the terminal.
std::vector<std::string> SummaryLines(const ScanReport& report, const ScanSummary& summary);
// The map: the read speed of every step at its place, the unreadable
// sectors in red, the slow steps in amber, the drive's nominal rate.
chart::SpeedChart ScanChart(const ScanReport& report, const ScanSummary& summary, const std::string& title);

// "5.54 MB/s (4.0x)"
std::string SpeedText(double bytesPerSecond);
// "1:05" or "1:02:03"
std::string ElapsedText(double seconds);
