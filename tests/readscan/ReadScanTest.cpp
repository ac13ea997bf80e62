// SPDX-License-Identifier: GPL-3.0-or-later
// The read scan over discs whose unreadable blocks, slow regions and end the
// test writes down, on a clock that only the disc's reads move: the scan must
// find exactly those blocks and steps, and the map's data must mark them at
// their byte positions.
#include <gtest/gtest.h>

#include <algorithm>

#include "readscan/ScanVerdict.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/readscan/ScanDisc.h"

namespace {

constexpr uint64_t kStep = 32;  // blocks of 2048 bytes in a 64 KiB step

struct ScanCase {
  const char* name;
  uint64_t blocks;
  std::vector<BlockRange> unreadable;
  std::vector<SlowRegion> slow;
  uint64_t blankFrom;
  uint32_t retryLimit;
  // What the scan must find.
  std::vector<BlockRange> foundUnreadable;
  std::vector<BlockRange> foundSlow;  // whole steps
  uint32_t retries;
  uint64_t notRetried;
  uint64_t scanned;
};

constexpr uint64_t kNoBlank = UINT64_MAX;

const ScanCase kCases[] = {
    {"a clean disc", 1024, {}, {}, kNoBlank, 4096, {}, {}, 0, 0, 1024},
    {"unreadable blocks inside one step", 1024, {{1000, 4}}, {}, kNoBlank, 4096, {{1000, 4}}, {}, 32, 0, 1024},
    {"an unreadable range across two steps is one range", 1024, {{604, 8}}, {}, kNoBlank, 4096, {{604, 8}}, {}, 64,
     0, 1024},
    {"two unreadable ranges and a single block", 1024, {{40, 2}, {45, 1}, {600, 1}}, {}, kNoBlank, 4096,
     {{40, 2}, {45, 1}, {600, 1}}, {}, 64, 0, 1024},
    {"two slow steps", 1024, {}, {{320, 64, 20}}, kNoBlank, 4096, {}, {{320, 64}}, 0, 0, 1024},
    {"a step at 1/1.8 of its neighbours is not slow", 1024, {}, {{320, 32, 1.8}}, kNoBlank, 4096, {}, {}, 0, 0, 1024},
    {"a step at 1/2.5 of its neighbours is slow", 1024, {}, {{320, 32, 2.5}}, kNoBlank, 4096, {}, {{320, 32}}, 0, 0,
     1024},
    {"a slow part of a step makes the step slow", 1024, {}, {{330, 4, 40}}, kNoBlank, 4096, {}, {{320, 32}}, 0, 0,
     1024},
    {"the first step, judged by the 16 after it", 1024, {}, {{0, 32, 10}}, kNoBlank, 4096, {}, {{0, 32}}, 0, 0, 1024},
    {"the last step, judged by the 16 before it", 1024, {}, {{992, 32, 10}}, kNoBlank, 4096, {}, {{992, 32}}, 0, 0,
     1024},
    {"a short last step is not judged", 1000, {}, {{992, 8, 10}}, kNoBlank, 4096, {}, {}, 0, 0, 1000},
    // Twenty slow steps are the disc's pace there: only the last of them,
    // with eight steps of the usual pace among its neighbours, reads below
    // half their median.
    {"a slow region longer than eight steps", 1024, {}, {{0, 640, 20}}, kNoBlank, 4096, {}, {{608, 32}}, 0, 0,
     1024},
    {"unreadable and slow places together", 1024, {{500, 1}}, {{640, 32, 20}}, kNoBlank, 4096, {{500, 1}},
     {{640, 32}}, 32, 0, 1024},
    // Step 96-127 takes 32 retries and step 128-159 the last 8; the rest of
    // that step and the next two steps count as unreadable unretried.
    {"the retry limit", 1024, {{100, 100}}, {}, kNoBlank, 40, {{100, 124}}, {}, 40, 88, 1024},
    {"a blank area ends the recorded area", 1024, {}, {}, 700, 4096, {}, {}, 0, 0, 700},
    {"a blank disc", 1024, {}, {}, 0, 4096, {}, {}, 0, 0, 0},
};

std::vector<BlockRange> SlowSteps(const std::vector<ScanStep>& steps) {
  std::vector<BlockRange> ranges;
  for (const ScanStep& step : steps) {
    if (!step.slow) continue;
    if (!ranges.empty() && ranges.back().first + ranges.back().count == step.first)
      ranges.back().count += step.blocks;
    else
      ranges.push_back({step.first, step.blocks});
  }
  return ranges;
}

std::vector<chart::Mark> MarksOf(const std::vector<BlockRange>& ranges, chart::MarkKind kind) {
  std::vector<chart::Mark> marks;
  for (const BlockRange& range : ranges) marks.push_back({kind, range.first * 2048, (range.first + range.count) * 2048});
  return marks;
}

std::vector<chart::Mark> MarksOfKind(const chart::SpeedChart& chart, chart::MarkKind kind) {
  std::vector<chart::Mark> marks;
  std::copy_if(chart.marks.begin(), chart.marks.end(), std::back_inserter(marks),
               [kind](const chart::Mark& mark) { return mark.kind == kind; });
  return marks;
}

// The scans' log lines stay out of the test's output.
class ReadScanTest : public ::testing::Test {
 protected:
  CapturedLog log;
};

}  // namespace

TEST_F(ReadScanTest, FindsExactlyTheInjectedRegionsAndTheMapMarksThem) {
  for (const ScanCase& c : kCases) {
    SCOPED_TRACE(c.name);
    DiscClock clock;
    ScanDisc disc(clock, c.blocks);
    disc.unreadable = c.unreadable;
    disc.slow = c.slow;
    disc.blankFrom = c.blankFrom;
    ReadScan scan(disc, clock, ReadScan::Options{65536, c.retryLimit});
    scan.Run([] { return false; });
    ScanReport report = scan.Snapshot();

    EXPECT_TRUE(report.Complete());
    EXPECT_EQ(report.scannedBlocks, c.scanned);
    EXPECT_EQ(report.blankFound, c.blankFrom != kNoBlank);
    EXPECT_EQ(report.unreadable, c.foundUnreadable);
    EXPECT_EQ(SlowSteps(report.steps), c.foundSlow);
    EXPECT_EQ(report.retries, c.retries);
    EXPECT_EQ(report.notRetried, c.notRetried);

    ScanSummary summary = Summarize(report);
    uint64_t unreadable = 0;
    for (const BlockRange& range : c.foundUnreadable) unreadable += range.count;
    EXPECT_EQ(summary.unreadableBlocks, unreadable);
    EXPECT_EQ(summary.readableBytes, (c.scanned - unreadable) * 2048);
    EXPECT_EQ(summary.slowRegions.size(), c.foundSlow.size());

    chart::SpeedChart map = ScanChart(report, summary, "map");
    EXPECT_EQ(MarksOfKind(map, chart::MarkKind::Unreadable), MarksOf(c.foundUnreadable, chart::MarkKind::Unreadable));
    EXPECT_EQ(MarksOfKind(map, chart::MarkKind::Slow), MarksOf(c.foundSlow, chart::MarkKind::Slow));
    EXPECT_EQ(map.extent, c.scanned == 0 ? 0 : (c.blankFrom != kNoBlank ? c.scanned : c.blocks) * 2048);
    // One point per step, at its middle; a failed step reads at speed 0.
    ASSERT_EQ(map.series.size(), 1u);
    ASSERT_EQ(map.series[0].points.size(), report.steps.size());
    for (size_t i = 0; i < report.steps.size(); ++i) {
      const ScanStep& step = report.steps[i];
      EXPECT_EQ(map.series[0].points[i].position, (step.first * 2 + step.blocks) * 1024);
      EXPECT_EQ(map.series[0].points[i].bytesPerSecond == 0, step.failed);
    }
  }
}

TEST_F(ReadScanTest, SummaryOfAScanWithUnreadableAndSlowPlaces) {
  DiscClock clock;
  ScanDisc disc(clock, 1024);
  disc.unreadable = {{500, 1}, {502, 3}};
  disc.slow = {{640, 64, 20}};
  disc.nominal = 4 * chart::kDvd1xBytesPerSecond;
  ReadScan scan(disc, clock);
  scan.Run([] { return false; });
  ScanReport report = scan.Snapshot();
  ScanSummary summary = Summarize(report);
  // 4,096,000 bytes a second outside the slow region, 20 times less in it.
  EXPECT_NEAR(summary.minimumBytesPerSecond, 204800, 1);
  ASSERT_TRUE(summary.slowest);
  EXPECT_EQ(summary.slowest->from, 640u * 2048);
  EXPECT_EQ(summary.slowest->to, 704u * 2048);
  EXPECT_EQ(SummaryLines(report, summary),
            (std::vector<std::string>{
                "Readable: 2,088,960 of 2,097,152 bytes (1,020 of 1,024 sectors of 2048 bytes)",
                "Unreadable sectors: 4 (500, 502-504)",
                "Slowest region: 1.31-1.44 MB at 0.20 MB/s (0.1x), 2 slow steps",
                // 31 steps that read at once in 29 x 0.016 + 2 x 0.32 s.
                "Average speed: 1.84 MB/s (1.3x), minimum: 0.20 MB/s (0.1x)",
                "Elapsed time: 0:01",
                "Retries: 32 of at most 4,096",
            }));
  chart::SpeedChart map = ScanChart(report, summary, "map");
  ASSERT_EQ(map.levels.size(), 1u);
  EXPECT_EQ(map.levels[0].label, "drive 4x");
}

TEST_F(ReadScanTest, CancelNoDiscAndADriveThatStops) {
  {
    DiscClock clock;
    ScanDisc disc(clock, 1024);
    ReadScan scan(disc, clock);
    scan.Run([&] { return disc.reads.size() >= 3; });
    ScanReport report = scan.Snapshot();
    EXPECT_TRUE(report.canceled);
    EXPECT_FALSE(report.Complete());
    EXPECT_EQ(report.scannedBlocks, 3 * kStep);
    EXPECT_EQ(report.steps.size(), 3u);
    EXPECT_EQ(SummaryLines(report, Summarize(report)).back(), "Canceled after 96 of 1,024 sectors.");
  }
  {
    DiscClock clock;
    ScanDisc disc(clock, 1024);
    disc.noDisc = true;
    ReadScan scan(disc, clock);
    scan.Run([] { return false; });
    ScanReport report = scan.Snapshot();
    EXPECT_TRUE(report.ended);
    EXPECT_EQ(report.blockSize, 0u);
    EXPECT_EQ(report.stopped, "No readable disc in the drive.");
    EXPECT_TRUE(disc.reads.empty());
  }
  {
    DiscClock clock;
    ScanDisc disc(clock, 1024);
    disc.stopAt = 100;
    ReadScan scan(disc, clock);
    scan.Run([] { return false; });
    ScanReport report = scan.Snapshot();
    EXPECT_EQ(report.stopped, "The drive went away.");
    EXPECT_EQ(report.scannedBlocks, 96u) << "the steps before the drive went away";
    EXPECT_TRUE(report.unreadable.empty());
  }
}

