// SPDX-License-Identifier: GPL-3.0-or-later
// The program's identity texts, fixed for the whole run.
#pragma once

#include <optional>
#include <string>

extern const char* const ProgramName;     // caption of most message boxes
extern const char* const ProgramVersion;  // appended to ProgramName, leading blank
extern const char* const ProgramDate;
extern const char* const ProgramInfo;
extern const char* const ProgramLicence;  // the SPDX name of the program's licence

// What --version prints for both front ends: the name and version, the
// licence and that there is no warranty; several lines, each ending "\n".
std::string VersionText();

// The folder of the executable (no trailing "/" unless it is the root).
const std::string& ProgramDir();
// The folder of the log file. The program's own folder when the program may
// write there, so that a copy unpacked anywhere keeps its log beside it; for
// an installed program $XDG_STATE_HOME/marrowlight, or
// ~/.local/state/marrowlight when that variable is unset, empty or not an
// absolute path. Without a home either, the program's folder after all (the
// log then switches itself off at its first entry).
std::string LogFolder(const std::string& programDir, bool programDirWritable,
                      const std::optional<std::string>& xdgStateHome, const std::optional<std::string>& home);

// The log file of this run, for both front ends: LogFolder for the running
// program (created when missing) + "/" + ProgramName + "Log.txt".
std::string DefaultLogFilePath();
