#include "app/ProgramStart.h"

#include "base/Log.h"

StartOptions ReadStartOptions(int argc, const char* const* argv) {
  StartOptions options;
  options.loggingOn = LoggingSwitchFromArguments(argc, argv);
  options.logFilePath = DefaultLogFilePath();
  return options;
}
