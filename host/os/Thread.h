// SPDX-License-Identifier: GPL-3.0-or-later
// Thread: a worker thread in the manner of a GUI toolkit's thread class.
//
// A Thread is created suspended and runs Execute() once Start() is called. Its
// owner asks it to stop with Terminate(); Execute() polls Terminated() and
// returns. WaitFor() joins the thread and gives its ReturnValue.
//
// Synchronize(fn) runs fn on the GUI thread while the caller waits. The GUI
// installs a dispatcher that marshals fn to its thread; without one (tests, the
// headless front end) fn runs at once on the calling thread, under one process
// lock so that calls from several workers never overlap.
//
// A derived class must call WaitFor() in its own destructor: Execute() may not
// outlive the object it runs on. The base destructor joins as a last resort.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace host {

class Thread {
 public:
  using Dispatcher = std::function<void(const std::function<void()>&)>;

  Thread() = default;
  virtual ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Starts Execute() on a new thread. Only the first call has an effect.
  void Start();
  // Asks Execute() to return at its next poll.
  void Terminate() { terminated_.store(true); }
  bool Terminated() const { return terminated_.load(); }
  // Joins the thread if it was started; returns ReturnValue.
  int WaitFor();
  bool Started() const { return started_; }
  bool Finished() const { return finished_.load(); }
  // Waits at most limit for Execute() to return; true once it has.
  bool WaitFinished(std::chrono::milliseconds limit);

  // Runs fn on the GUI thread (through the installed dispatcher) and waits.
  static void Synchronize(const std::function<void()>& fn);
  // Installs the GUI's dispatcher; an empty one restores the direct call.
  static void SetDispatcher(Dispatcher dispatcher);

 protected:
  virtual void Execute() = 0;
  int ReturnValue = 0;

 private:
  std::thread thread_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  std::mutex endMutex_;
  std::condition_variable ended_;
  bool started_ = false;
};

}  // namespace host
