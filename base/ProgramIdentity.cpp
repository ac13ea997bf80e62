#include "base/ProgramIdentity.h"

#include "host/os/Platform.h"

const char* const ProgramName = "Marrowlight";
const char* const ProgramVersion = " Ver2.00";
const char* const ProgramDate = "Jul. 30. 1999";
const char* const ProgramInfo = "";

const std::string& ProgramDir() {
  static const std::string dir = host::ProgramDirectory();
  return dir;
}

std::string DefaultLogFilePath() {
  const std::string& dir = ProgramDir();
  std::string separator = (!dir.empty() && dir.back() == '/') ? "" : "/";
  return dir + separator + ProgramName + "Log.txt";
}
