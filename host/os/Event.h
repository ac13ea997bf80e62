// SPDX-License-Identifier: GPL-3.0-or-later
// Events: the two kinds of wait object the program uses.
//
// ManualResetEvent stays signalled until Reset(), and any number of threads
// may wait on it (blocking; a Set() with nobody waiting costs no wake-up
// call).
//
// EventFd is the completion event that a SCSI manager signals by writing to
// its descriptor; a request channel keeps one for all its requests
// (scsi/ASPI32.h says when it changes).
// Waits with a time-out take milliseconds; kInfinite waits for ever.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>


namespace host {

inline constexpr uint32_t kInfinite = 0xFFFFFFFFu;

enum class WaitResult { Signalled, TimedOut, Abandoned };

class ManualResetEvent {
 public:
  explicit ManualResetEvent(bool initiallySet = false) : set_(initiallySet) {}
  ManualResetEvent(const ManualResetEvent&) = delete;
  ManualResetEvent& operator=(const ManualResetEvent&) = delete;

  void Set();
  void Reset();
  bool IsSet() const;
  WaitResult Wait(uint32_t timeoutMs = kInfinite);

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::atomic<bool> set_;  // changed under mutex_; read without it by IsSet
  bool waiting_ = false;   // a thread blocks on changed_ (under mutex_)
};

// An eventfd in counter mode: Signal() adds one, a successful Wait() or Reset()
// drains it (auto-reset). Closed by the destructor.
class EventFd {
 public:
  EventFd();
  ~EventFd();
  EventFd(const EventFd&) = delete;
  EventFd& operator=(const EventFd&) = delete;
  EventFd(EventFd&& other) noexcept;
  EventFd& operator=(EventFd&& other) noexcept;

  bool IsValid() const { return fd_ >= 0; }
  // Test seam: the next `count` constructions fail as they do when the
  // process has no descriptor left.
  static void FailNextForTesting(int count);
  int Handle() const { return fd_; }
  // Gives up the descriptor without closing it; the object is then invalid.
  int Release();
  void Signal();
  void Reset();
  WaitResult Wait(uint32_t timeoutMs);

 private:
  int fd_;
};

// Signals the eventfd with the given descriptor; what a manager calls when a
// request completes.
void SignalEventHandle(int fd);

}  // namespace host
