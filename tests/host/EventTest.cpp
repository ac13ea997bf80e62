// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "host/os/Event.h"

TEST(ManualResetEvent, StaysSetUntilResetAndTimesOut) {
  host::ManualResetEvent event;
  EXPECT_EQ(event.Wait(10), host::WaitResult::TimedOut);
  event.Set();
  EXPECT_EQ(event.Wait(0), host::WaitResult::Signalled);
  EXPECT_EQ(event.Wait(0), host::WaitResult::Signalled) << "a manual-reset event stays set";
  event.Reset();
  EXPECT_FALSE(event.IsSet());

  std::thread setter([&] { event.Set(); });
  EXPECT_EQ(event.Wait(), host::WaitResult::Signalled);
  setter.join();
}

TEST(ManualResetEvent, OneSetWakesEveryWaiter) {
  host::ManualResetEvent event;
  std::atomic<int> woken{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i)
    waiters.emplace_back([&] {
      if (event.Wait() == host::WaitResult::Signalled) ++woken;
    });
  // Most likely blocked by then; a waiter that is not yet sees the event set.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  event.Set();
  for (std::thread& waiter : waiters) waiter.join();
  EXPECT_EQ(woken.load(), 3);
  EXPECT_TRUE(event.IsSet());
}

TEST(ManualResetEvent, ATimedWaitThatBlocksEndsWithTheSetOrTheTimeOut) {
  host::ManualResetEvent event;
  std::thread setter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    event.Set();
  });
  EXPECT_EQ(event.Wait(10000), host::WaitResult::Signalled);
  setter.join();
  event.Reset();
  EXPECT_EQ(event.Wait(5), host::WaitResult::TimedOut);
}

TEST(EventFd, ASignalBeforeTheWaitEndsItAtOnceEvenWithNoTime) {
  host::EventFd event;
  ASSERT_TRUE(event.IsValid());
  event.Signal();
  EXPECT_EQ(event.Wait(0), host::WaitResult::Signalled);
  EXPECT_EQ(event.Wait(0), host::WaitResult::TimedOut);
}

TEST(EventFd, AReleasedDescriptorStaysOpen) {
  int fd = -1;
  {
    host::EventFd event;
    ASSERT_TRUE(event.IsValid());
    fd = event.Release();
    EXPECT_FALSE(event.IsValid());
    EXPECT_EQ(event.Wait(0), host::WaitResult::Abandoned);
  }
  ASSERT_GE(fd, 0);
  EXPECT_NE(::fcntl(fd, F_GETFD), -1) << "the destructor must not close a released descriptor";
  ::close(fd);
}

TEST(EventFd, SignalledFromAnotherThreadAndDrainedByTheWait) {
  host::EventFd event;
  ASSERT_TRUE(event.IsValid());
  EXPECT_EQ(event.Wait(10), host::WaitResult::TimedOut);

  std::thread manager([fd = event.Handle()] { host::SignalEventHandle(fd); });
  EXPECT_EQ(event.Wait(host::kInfinite), host::WaitResult::Signalled);
  manager.join();
  EXPECT_EQ(event.Wait(0), host::WaitResult::TimedOut) << "the wait consumed the signal";

  event.Signal();
  event.Reset();
  EXPECT_EQ(event.Wait(0), host::WaitResult::TimedOut);
}
