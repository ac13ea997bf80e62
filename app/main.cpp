// Program entry: builds the system information, reads the logging switch and
// opens the log. The windows plug into this start-up as they arrive.
#include "base/Log.h"
#include "base/ProgramIdentity.h"
#include "base/SystemInfo.h"
#include "host/os/Platform.h"

int main(int argc, char** argv) {
  BuildSystemInfo();
  SetLogOutput(LoggingSwitchFromArguments(argc, argv));
  AddLog(std::string(ProgramName) + ProgramVersion + " started.");
  host::WriteStderr(std::string("The log is in ") + Log().LogFilePath() +
                    "\nThe windows are not part of this build yet; the core and its tests are.\n");
  return 0;
}
