// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/cli/CliBus.h"

#include <cstdio>
#include <filesystem>

CliBus::CliBus(const std::string& devices) {
  dir_.Write("bus.json", R"({"state_dir": "state", "adapters": [{"devices": [)" + devices + "]}]}");
}

std::map<std::string, std::string> CliBus::Environment() const {
  char scale[32];
  std::snprintf(scale, sizeof scale, "%g", timeScale);
  return {{"MARROWLIGHT_ASPI", SIMBUS_LIBRARY},
          {"MARROWLIGHT_SIMBUS", dir_.File("bus.json")},
          {"MARROWLIGHT_SIMBUS_STATE", dir_.File("state")},
          {"XDG_DATA_HOME", dir_.File("data")},
          {"MARROWLIGHT_TIME_SCALE", scale}};
}

ProcessResult CliBus::Run(const std::vector<std::string>& args) const {
  std::vector<std::string> all = {"--nolog"};
  all.insert(all.end(), args.begin(), args.end());
  return Process::Run(Program(), all, Environment());
}

ProcessResult CliBus::Tool(const std::vector<std::string>& args) const {
  return Process::Run(SIMBUS_TOOL, args, Environment());
}

ProcessResult CliBus::RunLogged(const std::vector<std::string>& args) const {
  std::string copy = dir_.File("marrowlight-cli");
  std::filesystem::copy_file(Program(), copy, std::filesystem::copy_options::skip_existing);
  return Process::Run(copy, args, Environment());
}
