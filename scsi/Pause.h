// SPDX-License-Identifier: GPL-3.0-or-later
// The transport's deliberate pauses (the settling time after the manager is
// loaded, the abort poll) go through Pause, which sleeps on the process time
// scale. Tests may watch the pauses to count them.
#pragma once

#include <cstdint>
#include <functional>

namespace scsi {

void Pause(uint32_t ms);

// Test only: observer is called with the length of every pause before it is
// slept. An empty function removes it. Returns the previous observer.
using PauseObserver = std::function<void(uint32_t ms)>;
PauseObserver SetPauseObserverForTesting(PauseObserver observer);

}  // namespace scsi
