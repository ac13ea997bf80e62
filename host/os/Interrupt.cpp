// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/os/Interrupt.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

#include "host/os/Sleep.h"

namespace host {
namespace {

std::atomic<bool> requested{false};
std::atomic<int> wakeFd{-1};

void OnSignal(int signal) {
  if (requested.exchange(true)) {
    ::signal(signal, SIG_DFL);
    ::raise(signal);
    return;
  }
  // write() may be called from a signal handler; an eventfd takes the 8 bytes.
  int fd = wakeFd.load();
  if (fd >= 0) {
    uint64_t one = 1;
    ssize_t written = ::write(fd, &one, sizeof one);
    (void)written;
  }
}

}  // namespace

void InstallInterruptHandler() {
  if (wakeFd.load() < 0) wakeFd.store(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGHUP, &action, nullptr);
}

bool InterruptRequested() { return requested.load(); }

void ClearInterrupt() {
  requested.store(false);
  int fd = wakeFd.load();
  uint64_t drained = 0;
  if (fd >= 0) {
    ssize_t got = ::read(fd, &drained, sizeof drained);
    (void)got;
  }
}

int InterruptHandle() { return wakeFd.load(); }

bool SleepUnlessInterrupted(uint32_t ms) {
  if (requested.load()) return true;
  const int fd = wakeFd.load();
  if (fd < 0) {
    Sleep(ms);
  } else {
    pollfd wake{fd, POLLIN, 0};
    ::poll(&wake, 1, static_cast<int>(ScaledMs(ms)));  // a signal that comes meanwhile ends it as well
  }
  return requested.load();
}

void IgnoreBrokenPipe() { ::signal(SIGPIPE, SIG_IGN); }

void IgnoreFileSizeSignal() { ::signal(SIGXFSZ, SIG_IGN); }

}  // namespace host
