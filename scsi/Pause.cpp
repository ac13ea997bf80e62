// SPDX-License-Identifier: GPL-3.0-or-later
#include "scsi/Pause.h"

#include <mutex>
#include <utility>

#include "host/os/Sleep.h"

namespace scsi {
namespace {

std::mutex observerMutex;
PauseObserver& Observer() {
  static PauseObserver observer;
  return observer;
}

}  // namespace

void Pause(uint32_t ms) {
  PauseObserver observer;
  {
    std::lock_guard lock(observerMutex);
    observer = Observer();
  }
  if (observer) observer(ms);
  host::Sleep(ms);
}

PauseObserver SetPauseObserverForTesting(PauseObserver observer) {
  std::lock_guard lock(observerMutex);
  return std::exchange(Observer(), std::move(observer));
}

}  // namespace scsi
