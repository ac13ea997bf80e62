// SpinUntil: a short busy wait before a thread blocks.
//
// Waking a blocked thread costs tens of microseconds on a virtual machine,
// more than a 32 KiB command of the simulated bus or a 64 KiB step of a
// transfer worker takes. Where the awaited change is usually that close, a
// waiter first watches for it for a bounded time and blocks only when it does
// not come; the blocking wait stays the one that counts. The watcher yields
// its processor now and then, since on a machine with few processors the
// thread it waits for may need that very processor.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

namespace host {

// How long a waiter watches before it blocks: a few commands' worth, and
// little processor time lost when the change does not come.
inline constexpr std::chrono::microseconds kSpinBudget{50};

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__aarch64__)
  asm volatile("yield");
#endif
}

// Whether watching is worth it for a waiter that waits again and again for
// the same kind of change: after a wait that lasted well beyond the budget
// (a drive moving at its own speed, a worker a step away), the next wait
// blocks at once instead of burning its budget; a quick wait brings the
// watching back. Record after every wait; several waiters may share one.
class SpinAdvice {
 public:
  bool ShouldSpin() const { return worthwhile_.load(std::memory_order_relaxed); }
  void Record(std::chrono::steady_clock::duration waited) {
    worthwhile_.store(waited <= 4 * kSpinBudget, std::memory_order_relaxed);
  }

 private:
  std::atomic<bool> worthwhile_{true};
};

// True as soon as ready() holds; false when the budget passed without it.
template <typename Ready>
bool SpinUntil(Ready ready, std::chrono::microseconds budget = kSpinBudget) {
  if (ready()) return true;
  const auto deadline = std::chrono::steady_clock::now() + budget;
  for (unsigned round = 1;; ++round) {
    if (round % 4 == 0)
      std::this_thread::yield();
    else
      CpuRelax();
    if (ready()) return true;
    // The clock is read every few rounds only: it costs more than a look.
    if (round % 16 == 0 && std::chrono::steady_clock::now() >= deadline) return false;
  }
}

}  // namespace host
