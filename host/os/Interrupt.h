// Ctrl-C as a request, not a kill: after InstallInterruptHandler, SIGINT and
// SIGTERM only set a flag that the program polls (the headless front end turns
// it into the Cancel button). A second signal while the flag is still set ends
// the process at once, for a program that no longer listens.
#pragma once

namespace host {

void InstallInterruptHandler();
// A reader of the program's output that goes away (`| head`) must not end
// the program in the middle of a pass: writes to it then fail instead, and
// the program stops printing there (WriteStdout, WriteStderr).
void IgnoreBrokenPipe();
bool InterruptRequested();
void ClearInterrupt();

}  // namespace host
