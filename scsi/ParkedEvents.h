// SPDX-License-Identifier: GPL-3.0-or-later
// ParkedEvents: the events of requests the program gave up while their
// manager may still signal them (an abort that never took effect, a
// completion that never signalled). Such an event is never waited on again,
// and it stays open: a late signal then reaches an eventfd nobody uses,
// rather than whatever file would take over its descriptor number.
//
// At most kMostParkedEvents are kept for the process; beyond that the oldest
// is closed. A manager that still signals a request given up that many
// requests ago is beyond help, and without the bound a manager that never
// finishes its requests would use up the process's descriptors (and with
// them the windows' connection to the display).
#pragma once

#include <cstddef>

#include "host/os/Event.h"

namespace scsi {

inline constexpr size_t kMostParkedEvents = 16;

void ParkEvent(host::EventFd event);
size_t ParkedEventCount();

}  // namespace scsi
