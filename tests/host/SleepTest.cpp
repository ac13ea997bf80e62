// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "host/os/Sleep.h"

TEST(TimeScale, ScalesEveryPauseAndRejectsNonsense) {
  double saved = host::TimeScale();
  host::SetTimeScale(0.001);
  EXPECT_EQ(host::ScaledMs(12000), 12u);
  EXPECT_EQ(host::ScaledMs(1), 1u) << "a non-zero pause stays non-zero";
  host::SetTimeScale(0);
  EXPECT_EQ(host::ScaledMs(12000), 0u);
  host::SetTimeScale(-3);
  EXPECT_EQ(host::TimeScale(), 1.0);
  host::SetTimeScale(2);
  EXPECT_EQ(host::ScaledMs(0xFFFFFFF0u), 0xFFFFFFFFu);
  host::SetTimeScale(saved);
}
