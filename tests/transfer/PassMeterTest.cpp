// SPDX-License-Identifier: GPL-3.0-or-later
// The progress report of a pass, sampled at moments the test chooses.
#include <gtest/gtest.h>

#include "transfer/PassMeter.h"

namespace {

using Clock = PassMeter::Clock;
using std::chrono::milliseconds;

PassMeter::PassStart Start(uint64_t total) {
  PassMeter::PassStart start;
  start.writer = {0, 4, 0};
  start.phase = 1;
  start.startPosition = 32768;
  start.total = total;
  return start;
}

}  // namespace

TEST(PassMeter, ReportsPositionSpeedAndTimeLeftFromTheSamples) {
  PassMeter meter;
  const Clock::time_point t0{};
  EXPECT_EQ(meter.Latest().pass, 0u) << "nothing before the first pass";
  meter.Sample(100, 1000, t0) /* ignored: no pass yet */;
  EXPECT_EQ(meter.Latest().done, 0u);

  meter.Begin(Start(10'000'000), t0);
  PassProgress report = meter.Latest();
  EXPECT_EQ(report.pass, 1u);
  EXPECT_EQ(report.writer, (aspi::ScsiAddress{0, 4, 0}));
  EXPECT_EQ(report.position, 32768u);
  EXPECT_EQ(report.bytesPerSecond, 0);
  EXPECT_EQ(report.secondsLeft, -1) << "no speed yet";

  // 1 MB a second for two seconds.
  for (int tenth = 1; tenth <= 20; ++tenth) meter.Sample(tenth * 100'000ull, 10'000'000, t0 + milliseconds(100 * tenth));
  report = meter.Latest();
  EXPECT_EQ(report.done, 2'000'000u);
  EXPECT_EQ(report.position, 32768u + 2'000'000u);
  EXPECT_NEAR(report.bytesPerSecond, 1e6, 1);
  EXPECT_EQ(report.secondsLeft, 8);
  EXPECT_DOUBLE_EQ(report.seconds, 2.0);
  EXPECT_EQ(report.Percent(), 20);
  EXPECT_FALSE(report.ended);

  // Samples closer than the speed interval move the counts only.
  meter.Sample(2'000'100, 10'000'000, t0 + milliseconds(2001));
  EXPECT_EQ(meter.Latest().done, 2'000'100u);

  meter.Sample(10'000'000, 10'000'000, t0 + milliseconds(9000));
  meter.End(t0 + milliseconds(9001));
  report = meter.Latest();
  EXPECT_TRUE(report.ended);
  EXPECT_EQ(report.secondsLeft, 0);
  EXPECT_EQ(report.Percent(), 100);

  // The next pass starts afresh with the next number.
  PassMeter::PassStart verify = Start(500);
  verify.phase = 3;
  meter.Begin(verify, t0 + milliseconds(10000));
  report = meter.Latest();
  EXPECT_EQ(report.pass, 2u);
  EXPECT_EQ(report.phase, 3);
  EXPECT_EQ(report.done, 0u);
  EXPECT_FALSE(report.ended);
}

TEST(PassMeter, ATotalThatChangesRestartsTheSpeedAndDoneNeverPassesIt) {
  PassMeter meter;
  const Clock::time_point t0{};
  meter.Begin(Start(1000), t0);
  meter.Sample(5000, 800, t0 + milliseconds(1000));
  PassProgress report = meter.Latest();
  EXPECT_EQ(report.total, 800u);
  EXPECT_EQ(report.done, 800u);
  EXPECT_EQ(report.secondsLeft, 0);
  EXPECT_EQ(PassProgress{}.Percent(), 100) << "an empty pass is complete";
}
