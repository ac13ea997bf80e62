// What the windowed program settles before its first window: the logging
// switch of the command line and the place of the log file (LogFolder and
// DefaultLogFilePath of base/ProgramIdentity.h, the same for both front ends).
#pragma once

#include <string>

#include "base/ProgramIdentity.h"

struct StartOptions {
  bool loggingOn = true;    // false: the first argument begins with "-nolog"
  std::string logFilePath;  // where the log file is created at the first entry
};

// The switch from the arguments as the program received them (before the
// GUI toolkit takes its own), and the log file path.
StartOptions ReadStartOptions(int argc, const char* const* argv);
