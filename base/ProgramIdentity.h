// The program's identity texts, fixed for the whole run.
#pragma once

#include <string>

extern const char* const ProgramName;     // caption of most message boxes
extern const char* const ProgramVersion;  // appended to ProgramName, leading blank
extern const char* const ProgramDate;
extern const char* const ProgramInfo;

// The folder of the executable (no trailing "/" unless it is the root).
const std::string& ProgramDir();
// ProgramDir + "/" + ProgramName + "Log.txt".
std::string DefaultLogFilePath();
