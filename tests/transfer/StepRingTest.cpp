// SPDX-License-Identifier: GPL-3.0-or-later
// The hand-over of a pass's steps between the side that fills them and the
// side that empties them.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "transfer/StepRing.h"

namespace {

constexpr uint32_t kStepBytes = 4096;

}  // namespace

TEST(StepRing, StepsArriveInOrderWithAtMostOneWakeUpPerStepEachWay) {
  for (uint32_t depth : {1u, 2u, 8u}) {
    SCOPED_TRACE(depth);
    constexpr uint64_t kSteps = 500;
    StepRing ring(kStepBytes, depth);
    std::thread filler([&] {
      for (uint64_t i = 0; i < kSteps; ++i) {
        StepRing::Step* step = ring.NextEmpty();
        ASSERT_NE(step, nullptr);
        EXPECT_EQ(step->index, i);
        std::memset(step->bytes, static_cast<int>(i & 0xFF), kStepBytes);
        step->count = static_cast<uint32_t>(i);
        ring.Publish();
      }
      ring.Finish();
    });
    uint64_t taken = 0;
    for (;;) {
      StepRing::Wait why;
      StepRing::Step* step = ring.NextFull(&why);
      if (step == nullptr) {
        EXPECT_EQ(why, StepRing::Wait::Ended);
        break;
      }
      EXPECT_EQ(step->count, taken);
      EXPECT_EQ(step->bytes[kStepBytes - 1], taken & 0xFF);
      ring.Release();
      ++taken;
    }
    filler.join();
    EXPECT_EQ(taken, kSteps);
    EXPECT_LE(ring.FillerWakeups(), kSteps);
    EXPECT_LE(ring.EmptierWakeups(), kSteps + 1);
  }
}

TEST(StepRing, StopReleasesBothSidesAndFinishLetsTheFullStepsThrough) {
  StepRing ring(kStepBytes, 2);
  // A timed wait on an empty ring ends with the time-out.
  StepRing::Wait why;
  EXPECT_EQ(ring.NextFull(&why, std::chrono::milliseconds(1)), nullptr);
  EXPECT_EQ(why, StepRing::Wait::TimedOut);

  for (int i = 0; i < 2; ++i) {
    ASSERT_NE(ring.NextEmpty(), nullptr);
    ring.Publish();
  }
  ring.Finish();
  // Finished: the full steps are still taken, then the ring has ended.
  ASSERT_NE(ring.NextFull(&why), nullptr);
  EXPECT_EQ(why, StepRing::Wait::Ready);
  ring.Release();
  ASSERT_NE(ring.NextFull(), nullptr);
  ring.Release();
  EXPECT_EQ(ring.NextFull(&why), nullptr);
  EXPECT_EQ(why, StepRing::Wait::Ended);

  // A filler blocked on a full ring, and an emptier of another ring blocked
  // on an empty one, both return when their ring stops.
  StepRing full(kStepBytes, 1), empty(kStepBytes, 1);
  ASSERT_NE(full.NextEmpty(), nullptr);
  full.Publish();
  std::thread filler([&] { EXPECT_EQ(full.NextEmpty(), nullptr); });
  std::thread emptier([&] {
    StepRing::Wait ended;
    EXPECT_EQ(empty.NextFull(&ended), nullptr);
    EXPECT_EQ(ended, StepRing::Wait::Ended);
  });
  full.Stop();
  empty.Stop();
  filler.join();
  emptier.join();
  EXPECT_TRUE(full.Stopped());
  EXPECT_EQ(full.NextFull(), nullptr) << "a stopped ring hands out nothing, full steps neither";
}
