// SPDX-License-Identifier: GPL-3.0-or-later
// What the windowed program settles before its first window: the logging
// and trace switches of the command line, the place of the log file
// (LogFolder and DefaultLogFilePath of base/ProgramIdentity.h, the same for
// both front ends) and the image it was asked to open.
#pragma once

#include <string>

#include "base/ProgramIdentity.h"

struct StartOptions {
  bool loggingOn = true;    // false: the first argument begins with "-nolog"
  std::string logFilePath;  // where the log file is created at the first entry
  // Every log entry also on the terminal, one a line: --trace, or
  // MARROWLIGHT_TRACE set to anything but "" or "0".
  bool trace = false;
  // --version: print VersionText() and end before anything else starts.
  bool version = false;
};

// The switches from the arguments as the program received them (before the
// GUI toolkit takes its own), the environment, and the log file path.
StartOptions ReadStartOptions(int argc, const char* const* argv);

// The image a person opens with the program ("marrowlight IMAGE", or a
// desktop's "Open with"): the first argument that is neither a switch nor
// the value of --manager; empty when there is none. Read after the GUI
// toolkit has taken its own arguments out.
std::string ImageArgument(int argc, const char* const* argv);
