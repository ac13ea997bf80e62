// What the windowed program settles before its first window: the logging
// switch of the command line and the place of the log file.
#pragma once

#include <optional>
#include <string>

struct StartOptions {
  bool loggingOn = true;    // false: the first argument begins with "-nolog"
  std::string logFilePath;  // where the log file is created at the first entry
};

// The folder of the log file. The program's own folder when the program may
// write there, so that a copy unpacked anywhere keeps its log beside it; for
// an installed program $XDG_STATE_HOME/marrowlight, or
// ~/.local/state/marrowlight when that variable is unset, empty or not an
// absolute path. Without a home either, the program's folder after all (the
// log then switches itself off at its first entry).
std::string LogFolder(const std::string& programDir, bool programDirWritable,
                      const std::optional<std::string>& xdgStateHome, const std::optional<std::string>& home);

// The log file of this run: LogFolder for the running program (created when
// missing) + "/" + ProgramName + "Log.txt".
std::string LogFilePath();

// The switch from the arguments as the program received them (before the
// GUI toolkit takes its own), and the log file path.
StartOptions ReadStartOptions(int argc, const char* const* argv);
