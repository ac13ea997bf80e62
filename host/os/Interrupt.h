// SPDX-License-Identifier: GPL-3.0-or-later
// Ctrl-C as a request, not a kill: after InstallInterruptHandler, SIGINT,
// SIGTERM and SIGHUP (a closed terminal, a logout) only set a flag that the program polls (the headless front end turns
// it into the Cancel button) and wake whoever waits on InterruptHandle(). A
// second signal while the flag is still set ends the process at once, for a
// program that no longer listens.
#pragma once

#include <cstdint>

namespace host {

void InstallInterruptHandler();
bool InterruptRequested();
void ClearInterrupt();
// Pauses as Sleep(ms) does (on the time scale), but ends at once when an
// interrupt comes; true when one came.
bool SleepUnlessInterrupted(uint32_t ms);
// A descriptor that polls readable once an interrupt came (until
// ClearInterrupt); -1 before InstallInterruptHandler.
int InterruptHandle();
// A reader of the program's output that goes away (`| head`) must not end
// the program in the middle of a pass: writes to it then fail instead, and
// the program stops printing there (WriteStdout, WriteStderr).
void IgnoreBrokenPipe();
// A file size limit (ulimit -f) must not end the program either: a write
// past it fails with "File too large" (EFBIG) like any write error, and the
// program says so and ends the operation as a failure.
void IgnoreFileSizeSignal();

}  // namespace host
