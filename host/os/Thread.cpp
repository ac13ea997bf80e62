// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/os/Thread.h"

#include <mutex>
#include <utility>

namespace host {
namespace {

std::mutex& DispatcherMutex() {
  static std::mutex mutex;
  return mutex;
}

Thread::Dispatcher& InstalledDispatcher() {
  static Thread::Dispatcher dispatcher;
  return dispatcher;
}

// Serialises direct Synchronize calls, as a single GUI thread would.
std::recursive_mutex& DirectCallMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

}  // namespace

Thread::~Thread() {
  Terminate();
  if (thread_.joinable()) thread_.join();
}

void Thread::Start() {
  if (started_) return;
  started_ = true;
  thread_ = std::thread([this] {
    Execute();
    {
      std::lock_guard lock(endMutex_);
      finished_.store(true);
    }
    ended_.notify_all();
  });
}

bool Thread::WaitFinished(std::chrono::milliseconds limit) {
  std::unique_lock lock(endMutex_);
  return ended_.wait_for(lock, limit, [this] { return finished_.load(); });
}

int Thread::WaitFor() {
  if (thread_.joinable()) thread_.join();
  return ReturnValue;
}

void Thread::Synchronize(const std::function<void()>& fn) {
  Dispatcher dispatcher;
  {
    std::lock_guard lock(DispatcherMutex());
    dispatcher = InstalledDispatcher();
  }
  if (dispatcher) {
    dispatcher(fn);
    return;
  }
  std::lock_guard lock(DirectCallMutex());
  fn();
}

void Thread::SetDispatcher(Dispatcher dispatcher) {
  std::lock_guard lock(DispatcherMutex());
  InstalledDispatcher() = std::move(dispatcher);
}

}  // namespace host
