// SPDX-License-Identifier: GPL-3.0-or-later
#include "scsi/ParkedEvents.h"

#include <deque>
#include <mutex>
#include <utility>

namespace scsi {
namespace {

struct Parked {
  std::mutex mutex;
  std::deque<host::EventFd> events;
};

Parked& Store() {
  static Parked parked;
  return parked;
}

}  // namespace

void ParkEvent(host::EventFd event) {
  Parked& parked = Store();
  std::lock_guard lock(parked.mutex);
  parked.events.push_back(std::move(event));
  while (parked.events.size() > kMostParkedEvents) parked.events.pop_front();
}

size_t ParkedEventCount() {
  Parked& parked = Store();
  std::lock_guard lock(parked.mutex);
  return parked.events.size();
}

}  // namespace scsi
