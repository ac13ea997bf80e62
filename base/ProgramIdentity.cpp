// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/ProgramIdentity.h"

#include <filesystem>
#include <system_error>

#include "host/os/Platform.h"

namespace {

bool Usable(const std::optional<std::string>& folder) { return folder && !folder->empty() && folder->front() == '/'; }

}  // namespace

const char* const ProgramName = "Marrowlight";
const char* const ProgramVersion = " Ver2.00";
const char* const ProgramDate = "Jul. 30. 1999";
const char* const ProgramInfo = "";
const char* const ProgramLicence = "GPL-3.0-or-later";

std::string VersionText() {
  return std::string(ProgramName) + ProgramVersion + "\n" + "Licence: " + ProgramLicence +
         " (the GNU General Public License, version 3 or any later version).\n"
         "This is free software: you may change and share it under that licence.\n"
         "There is NO WARRANTY, to the extent permitted by law.\n";
}

const std::string& ProgramDir() {
  static const std::string dir = host::ProgramDirectory();
  return dir;
}

std::string LogFolder(const std::string& programDir, bool programDirWritable,
                      const std::optional<std::string>& xdgStateHome, const std::optional<std::string>& home) {
  if (programDirWritable) return programDir;
  if (Usable(xdgStateHome)) return *xdgStateHome + "/marrowlight";
  if (Usable(home)) return *home + "/.local/state/marrowlight";
  return programDir;
}

std::string DefaultLogFilePath() {
  const std::string& programDir = ProgramDir();
  bool writable = host::DirectoryWritable(programDir);
  std::string folder =
      LogFolder(programDir, writable, host::GetEnvironment("XDG_STATE_HOME"), host::GetEnvironment("HOME"));
  if (folder != programDir) {
    // A folder that cannot be made leaves the path as it is: creating the
    // file fails and logging switches itself off.
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
  }
  return (!folder.empty() && folder.back() == '/' ? folder : folder + "/") + ProgramName + "Log.txt";
}
