// SPDX-License-Identifier: GPL-3.0-or-later
// The read scan of discs in drives of the simulated bus, through the
// program's own transport: the unreadable sectors the bus was told of are
// found exactly, a blank disc ends at once, an empty drive is named, and the
// drive's nominal rate comes from its capabilities page. The clock is the
// test's: every step takes the same time, so no step is slow.
#include <gtest/gtest.h>

#include "base/TextFormat.h"
#include "readscan/DeviceScanSource.h"
#include "readscan/ReadScan.h"
#include "readscan/ScanVerdict.h"
#include "tests/fixtures/BusSupport.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/ProgramBus.h"
#include "tests/fixtures/TempDir.h"

namespace {

// A millisecond for every look at the clock.
class TickClock : public ScanClock {
 public:
  double Seconds() override { return now += 0.001; }
  double now = 0;
};

ScanReport Scan(SCSIDEV& drive) {
  DeviceScanSource source(drive);
  TickClock clock;
  ReadScan scan(source, clock);
  scan.Run([] { return false; });
  return scan.Snapshot();
}

class ReadScanBus : public ::testing::Test {
 protected:
  CapturedLog log;
  TempDir dir;
};

}  // namespace

TEST_F(ReadScanBus, FindsTheUnreadableSectorsOfADiscExactly) {
  std::string image = dir.Write("disc.img", std::string(2048 * 3000, 'x'));
  ProgramBus bus(ReaderJson(2, image, 0,
                            SenseFault(0x28, "03/11/00", 1000, 1009) + ", " + SenseFault(0x28, "04/44/00", 2047, 2047) +
                                ", " + SenseFault(0x28, "03/02/00", 2999, 2999)));
  auto drive = OpenDevice(2);
  ScanReport report = Scan(*drive);

  EXPECT_TRUE(report.Complete()) << report.stopped;
  EXPECT_EQ(report.blockSize, 2048u);
  EXPECT_EQ(report.areaBlocks, 3000u);
  EXPECT_EQ(report.scannedBlocks, 3000u);
  EXPECT_EQ(report.unreadable, (std::vector<BlockRange>{{1000, 10}, {2047, 1}, {2999, 1}}));
  EXPECT_EQ(report.retries, 32u + 32u + 24u) << "each failed step once, block by block; the last has 24";
  EXPECT_EQ(report.nominalBytesPerSecond, 0) << "a drive without a speed tells no rate";
  ScanSummary summary = Summarize(report);
  EXPECT_EQ(summary.readableBytes, (3000u - 12u) * 2048u);
  EXPECT_TRUE(summary.slowRegions.empty());
  EXPECT_EQ(ScanTitle(*drive), "Read scan of 0,2,0: ORBITEK DVD-ROM DR-160");
  EXPECT_TRUE(log.Contains("[ReadScan] Unreadable: blocks 1000-1009."));
  EXPECT_TRUE(log.Contains("[ReadScan] Unreadable: block 2047."));
}

TEST_F(ReadScanBus, ABlankDiscAndAnEmptyDrive) {
  ProgramBus bus(WriterJson("qxw7200", "2.10", "dvd-rw", 4096) + ", " + ReaderJson(2, "", 0));
  auto writer = OpenDevice(4);
  ScanReport blank = Scan(*writer);
  EXPECT_TRUE(blank.Complete());
  EXPECT_TRUE(blank.blankFound);
  EXPECT_EQ(blank.scannedBlocks, 0u);
  EXPECT_TRUE(blank.steps.empty());

  auto empty = OpenDevice(2);
  ScanReport none = Scan(*empty);
  EXPECT_FALSE(none.Complete());
  EXPECT_EQ(none.blockSize, 0u);
  EXPECT_EQ(none.stopped, "No readable disc in the drive. (2-3A-00: Not Ready: Medium not present.)");
}
