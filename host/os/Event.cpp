// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/os/Event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <utility>


namespace host {

void ManualResetEvent::Set() {
  bool waiting = false;
  {
    std::lock_guard lock(mutex_);
    set_ = true;
    waiting = std::exchange(waiting_, false);
  }
  // Nobody blocks: no wake-up call to make.
  if (waiting) changed_.notify_all();
}

void ManualResetEvent::Reset() {
  std::lock_guard lock(mutex_);
  set_ = false;
}

bool ManualResetEvent::IsSet() const { return set_.load(); }

WaitResult ManualResetEvent::Wait(uint32_t timeoutMs) {
  if (IsSet()) return WaitResult::Signalled;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::unique_lock lock(mutex_);
  while (!set_) {
    waiting_ = true;  // under the lock, so the next Set() wakes this thread
    if (timeoutMs == kInfinite)
      changed_.wait(lock);
    else if (changed_.wait_until(lock, deadline) == std::cv_status::timeout)
      return set_ ? WaitResult::Signalled : WaitResult::TimedOut;
  }
  return WaitResult::Signalled;
}

namespace {
std::atomic<int> failingCreations{0};

int CreateEventFd() {
  int left = failingCreations.load();
  while (left > 0) {
    if (failingCreations.compare_exchange_weak(left, left - 1)) {
      errno = EMFILE;
      return -1;
    }
  }
  return ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}
}  // namespace

EventFd::EventFd() : fd_(CreateEventFd()) {}

void EventFd::FailNextForTesting(int count) { failingCreations.store(count); }

EventFd::~EventFd() {
  if (fd_ >= 0) ::close(fd_);
}

EventFd::EventFd(EventFd&& other) noexcept : fd_(other.Release()) {}

EventFd& EventFd::operator=(EventFd&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.Release();
  }
  return *this;
}

int EventFd::Release() { return std::exchange(fd_, -1); }

void EventFd::Signal() { SignalEventHandle(fd_); }

void EventFd::Reset() {
  if (fd_ < 0) return;
  uint64_t drained = 0;
  while (::read(fd_, &drained, sizeof drained) < 0 && errno == EINTR) {
  }
}

WaitResult EventFd::Wait(uint32_t timeoutMs) {
  if (fd_ < 0) return WaitResult::Abandoned;
  // Signalled already (the usual case): no poll needed.
  uint64_t count = 0;
  if (::read(fd_, &count, sizeof count) == static_cast<ssize_t>(sizeof count)) return WaitResult::Signalled;
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int waitMs = -1;
    if (timeoutMs != kInfinite) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      waitMs = left > 0 ? static_cast<int>(left) : 0;
    }
    pollfd entry{fd_, POLLIN, 0};
    int ready = ::poll(&entry, 1, waitMs);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return WaitResult::Abandoned;
    }
    if (ready == 0) return WaitResult::TimedOut;
    if (entry.revents & (POLLERR | POLLNVAL)) return WaitResult::Abandoned;
    if (::read(fd_, &count, sizeof count) == static_cast<ssize_t>(sizeof count)) return WaitResult::Signalled;
    // Another reader drained it first; keep waiting for the next signal.
  }
}

void SignalEventHandle(int fd) {
  if (fd < 0) return;
  uint64_t one = 1;
  while (::write(fd, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

}  // namespace host
