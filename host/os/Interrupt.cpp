#include "host/os/Interrupt.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>

namespace host {
namespace {

std::atomic<bool> requested{false};

void OnSignal(int signal) {
  if (requested.exchange(true)) {
    ::signal(signal, SIG_DFL);
    ::raise(signal);
  }
}

}  // namespace

void InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

void IgnoreBrokenPipe() { ::signal(SIGPIPE, SIG_IGN); }

bool InterruptRequested() { return requested.load(); }
void ClearInterrupt() { requested.store(false); }

}  // namespace host
