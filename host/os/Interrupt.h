// Ctrl-C as a request, not a kill: after InstallInterruptHandler, SIGINT and
// SIGTERM only set a flag that the program polls (the headless front end turns
// it into the Cancel button). A second signal while the flag is still set ends
// the process at once, for a program that no longer listens.
#pragma once

namespace host {

void InstallInterruptHandler();
bool InterruptRequested();
void ClearInterrupt();

}  // namespace host
