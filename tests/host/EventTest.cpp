#include <gtest/gtest.h>

#include <thread>

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
