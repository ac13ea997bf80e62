// SPDX-License-Identifier: GPL-3.0-or-later
// The pace of an emulated drive's data commands, on a clock the test moves.
#include <gtest/gtest.h>

#include "managers/simbus/TransferPace.h"

namespace {

using simbus::TransferPace;
using Clock = TransferPace::Clock;
using std::chrono::duration;
using std::chrono::microseconds;

constexpr double kSpeed16 = 16 * 1385000.0;  // bytes per second
constexpr uint64_t kCommand = 32768;

double Seconds(Clock::duration d) { return duration<double>(d).count(); }

// A moment well after the clock's epoch, as the steady clock reads.
const Clock::time_point kStart = Clock::time_point{} + std::chrono::hours(1);

}  // namespace

TEST(TransferPace, APassTakesTheRatesTimeWhateverEachCommandCostsTheProgram) {
  TransferPace pace(kSpeed16);
  const Clock::time_point start = kStart;
  Clock::time_point now = start, end{};
  const int commands = 6130;  // 200,867,840 bytes
  for (int i = 0; i < commands; ++i) {
    end = pace.Complete(now, kCommand, 1.0);
    // The program learns of the end late (a sleep that wakes late, its own
    // turnaround) and sends the next command then.
    now = end + microseconds(i % 7 == 0 ? 900 : 130);
  }
  // The rate's time for the pass, less what the buffer took at once.
  const double rateTime = commands * kCommand / kSpeed16;  // 9.0644 s
  EXPECT_NEAR(Seconds(end - start), rateTime - Seconds(TransferPace::kCatchUp), 1e-6);
  // One command after the buffer is full: 32,768 bytes at 16 x 1,385,000
  // bytes per second.
  Clock::time_point next = pace.Complete(end, kCommand, 1.0);
  EXPECT_NEAR(Seconds(next - end), 0.0014787, 1e-7);
}

TEST(TransferPace, APauseOfTheProgramIsNotMadeUpFor) {
  TransferPace pace(kSpeed16);
  Clock::time_point now = kStart;
  for (int i = 0; i < 10; ++i) now = pace.Complete(now, kCommand, 1.0);
  // Twelve seconds later the medium starts afresh: the hundred commands
  // after the pause take their own time (less a buffer's worth), not less.
  now += std::chrono::seconds(12);
  const Clock::time_point resumed = now;
  for (int i = 0; i < 100; ++i) now = pace.Complete(now, kCommand, 1.0);
  EXPECT_NEAR(Seconds(now - resumed), 100 * kCommand / kSpeed16 - Seconds(TransferPace::kCatchUp), 1e-6);
}

TEST(TransferPace, TheTimeScaleShortensEveryDuration) {
  TransferPace scaled(kSpeed16);
  Clock::time_point now = kStart;
  for (int i = 0; i < 10000; ++i) now = scaled.Complete(now, kCommand, 0.001);
  EXPECT_NEAR(Seconds(now - kStart), 10000 * kCommand / kSpeed16 * 0.001 - Seconds(TransferPace::kCatchUp), 1e-6);
}

TEST(TransferPace, NoSpeedNoScaleAndAbsurdSpeeds) {
  const Clock::time_point at = kStart;
  EXPECT_EQ(TransferPace(0).Complete(at, kCommand, 1.0), at);
  EXPECT_EQ(TransferPace(kSpeed16).Complete(at, kCommand, 0.0), at);
  EXPECT_EQ(TransferPace(kSpeed16).Complete(at, 0, 1.0), at);
  // A speed beyond any machine takes no time; one near zero is held to a day.
  EXPECT_EQ(TransferPace(1e308 * 1385000.0).Complete(at, kCommand, 1.0), at);
  EXPECT_NEAR(Seconds(TransferPace(1e-300).Complete(at, kCommand, 1.0) - at), 86400.0, 0.005);
}
