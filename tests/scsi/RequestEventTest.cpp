// SPDX-License-Identifier: GPL-3.0-or-later
// How a channel waits for its requests: one event for all of them, taken
// back only once the manager has signalled; what a manager that breaks the
// contract can hold is bounded, and the person is told once.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "host/ui/MessageBox.h"
#include "scsi/ASPI32.h"
#include "scsi/Commands.h"
#include "scsi/ParkedEvents.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/scsi/TestManagers.h"

namespace {

size_t OpenDescriptors() {
  size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

// True when the descriptor holds no signal: a read finds nothing.
bool Unsignalled(int fd) {
  uint64_t count = 0;
  return ::read(fd, &count, sizeof count) < 0 && errno == EAGAIN;
}

constexpr const char* kMisbehaves = "The SCSI manager misbehaves: ";
constexpr unsigned kErrorOk = ui::kOk | ui::kIconError;

}  // namespace

TEST(RequestEvent, OneEventServesEveryRequestAndKeepsNoSignalOfTheLast) {
  TestManager manager(TEST_MANAGER_Synchronous);
  CapturedLog log;
  ScriptedUiGuard ui;
  ASPI32 channel;
  const size_t before = OpenDescriptors();
  ASSERT_EQ(scsi::TestUnitReady(channel, 0, 1, 0), aspi::SS_COMP);
  const int event = static_cast<int>(manager.LastExecute().SRB_PostProc);
  for (int i = 0; i < 200; ++i) ASSERT_EQ(scsi::TestUnitReady(channel, 0, 1, 0), aspi::SS_COMP);
  EXPECT_EQ(static_cast<int>(manager.LastExecute().SRB_PostProc), event) << "no event per request";
  EXPECT_EQ(OpenDescriptors(), before + 1);
  // The manager signalled each request before it returned; the channel took
  // each signal off, so none can end the wait of a later request.
  EXPECT_TRUE(Unsignalled(event));
}

TEST(RequestEvent, AManagerThatSignalsButLeavesRequestsPendingHoldsNothingAndIsToldOnce) {
  TestManager manager(TEST_MANAGER_SignalsButPending);
  CapturedLog log;
  ScriptedUiGuard ui;
  ASPI32 channel;
  ui.Expect(std::string(kMisbehaves) +
                "it signalled the end of a request that it left pending. Such requests are given up.",
            "Internal Error", kErrorOk, ui::kIdOk);
  // The first request makes the channel's event and opens the log.
  int pending = scsi::TestUnitReady(channel, 0, 1, 0) == aspi::SS_PENDING;
  const size_t before = OpenDescriptors();
  // More requests than a process has descriptors by default: each used to
  // keep its event for good, until no event could be made.
  for (int i = 1; i < 1500; ++i) pending += scsi::TestUnitReady(channel, 0, 1, 0) == aspi::SS_PENDING;
  EXPECT_EQ(pending, 1500) << "each request fails, given up";
  EXPECT_EQ(OpenDescriptors(), before);
  EXPECT_TRUE(log.Contains("[ASPI32] The SCSI manager misbehaves: it signalled the end of a request that it left "
                           "pending. Such requests are given up."));
}

TEST(RequestEvent, AManagerThatNeverSignalsGetsItsEventsParkedWithinTheBound) {
  TestManager manager(TEST_MANAGER_CompletesSilently);
  CapturedLog log;
  ScriptedUiGuard ui;
  ASPI32 channel;
  ui.Expect(std::string(kMisbehaves) + "it completed a request without signalling its event. Such requests are given up.",
            "Internal Error", kErrorOk, ui::kIdOk);
  const size_t before = OpenDescriptors();
  int events = 0;
  int last = -1;
  for (size_t i = 0; i < 3 * scsi::kMostParkedEvents; ++i) {
    // The commands themselves succeed; only their events cannot serve again.
    ASSERT_EQ(scsi::TestUnitReady(channel, 0, 1, 0), aspi::SS_COMP);
    const int event = static_cast<int>(manager.LastExecute().SRB_PostProc);
    events += event != last;
    last = event;
  }
  EXPECT_GT(events, 1) << "an event whose signal may still come never serves another request";
  EXPECT_EQ(scsi::ParkedEventCount(), scsi::kMostParkedEvents);
  EXPECT_LE(OpenDescriptors(), before + scsi::kMostParkedEvents + 1);
}

TEST(RequestEvent, RequestsGivenUpAfterAFailedAbortKeepABoundedNumberOfEvents) {
  TestManager manager(TEST_MANAGER_AbortNeverEnds);
  CapturedLog log;
  ScriptedUiGuard ui;
  ASPI32 channel;
  const size_t before = OpenDescriptors();
  for (size_t i = 0; i < scsi::kMostParkedEvents + 4; ++i) {
    channel.ExecuteBlock().Init(aspi::SRB_DIR_IN | aspi::SRB_EVENT_NOTIFY);
    EXPECT_EQ(channel.Execute(1), aspi::SS_PENDING) << "timed out, and the abort never took effect";
  }
  EXPECT_EQ(scsi::ParkedEventCount(), scsi::kMostParkedEvents);
  EXPECT_LE(OpenDescriptors(), before + scsi::kMostParkedEvents + 1);
}
