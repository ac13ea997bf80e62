// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <functional>
#include <thread>

#include "host/os/Event.h"
#include "host/os/Thread.h"

namespace {

class CountingThread : public host::Thread {
 public:
  ~CountingThread() override { WaitFor(); }
  std::atomic<int> runs{0};
  std::atomic<int> polls{0};
  host::ManualResetEvent running;

 protected:
  void Execute() override {
    ++runs;
    running.Set();
    while (!Terminated()) {
      ++polls;
      std::this_thread::yield();
    }
    ReturnValue = 42;
  }
};

// Stands in for the GUI thread: runs dispatched calls from a queue on the
// test's own thread and tells each caller when its call is done.
class FakeGuiThread {
 public:
  void Dispatch(const std::function<void()>& fn) {
    host::ManualResetEvent done;
    {
      std::lock_guard lock(mutex_);
      queue_.push_back([&] {
        fn();
        done.Set();
      });
    }
    done.Wait();
  }
  bool RunOne() {
    std::function<void()> next;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) return false;
      next = std::move(queue_.front());
      queue_.pop_front();
    }
    next();
    return true;
  }

 private:
  std::mutex mutex_;
  std::deque<std::function<void()>> queue_;
};

}  // namespace

TEST(Thread, CreatedSuspendedStartedOnceAndStoppedByTerminate) {
  CountingThread thread;
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(thread.runs.load(), 0) << "runs before Start";
  thread.Start();
  thread.Start();
  ASSERT_EQ(thread.running.Wait(5000), host::WaitResult::Signalled);
  EXPECT_FALSE(thread.Finished());
  thread.Terminate();
  EXPECT_EQ(thread.WaitFor(), 42);
  EXPECT_EQ(thread.runs.load(), 1);
  EXPECT_TRUE(thread.Finished());
}

TEST(Thread, SynchronizeRunsOnTheGuiThreadWhileTheWorkerWaits) {
  FakeGuiThread gui;
  host::Thread::SetDispatcher([&gui](const std::function<void()>& fn) { gui.Dispatch(fn); });
  std::thread::id ranOn;
  std::atomic<bool> returned{false};

  struct Worker : host::Thread {
    std::function<void()> body;
    ~Worker() override { WaitFor(); }
    void Execute() override { body(); }
  } worker;
  worker.body = [&] {
    host::Thread::Synchronize([&] { ranOn = std::this_thread::get_id(); });
    returned = true;
  };
  worker.Start();
  while (!gui.RunOne()) std::this_thread::yield();
  worker.WaitFor();
  host::Thread::SetDispatcher(nullptr);

  EXPECT_EQ(ranOn, std::this_thread::get_id());
  EXPECT_TRUE(returned.load());

  // Without a dispatcher the call runs at once on the caller.
  std::thread::id direct;
  host::Thread::Synchronize([&] { direct = std::this_thread::get_id(); });
  EXPECT_EQ(direct, std::this_thread::get_id());
}
