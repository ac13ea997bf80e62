// SPDX-License-Identifier: GPL-3.0-or-later
// Sleep: the one place where the program pauses on purpose.
//
// Every fixed pause (the wait before a write, erase polls, mode probes, bus
// rescans, abort polls) goes through Sleep(), which honours a process-wide time
// scale. The scale comes from MARROWLIGHT_TIME_SCALE (a non-negative number,
// default 1) and can be set by tests; 0 turns every pause into a yield.
#pragma once

#include <cstdint>

namespace host {

// Pauses the calling thread for ms milliseconds times the time scale.
void Sleep(uint32_t ms);

// The current scale; read from MARROWLIGHT_TIME_SCALE on first use.
double TimeScale();
void SetTimeScale(double scale);

// ms times the time scale, rounded up so that a non-zero pause stays non-zero
// unless the scale is 0.
uint32_t ScaledMs(uint32_t ms);

}  // namespace host
