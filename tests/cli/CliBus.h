// SPDX-License-Identifier: GPL-3.0-or-later
// Runs marrowlight-cli against a simulated bus of the test's own: the bus
// description and the state folder live in a temporary folder, the manager is
// the simulated bus built beside the program, and pauses run on a small time
// scale.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tests/fixtures/Process.h"
#include "tests/fixtures/TempDir.h"

class CliBus {
 public:
  // devices: the JSON objects of adapter 0's device list, comma-separated.
  explicit CliBus(const std::string& devices);

  ProcessResult Run(const std::vector<std::string>& args) const;
  // Runs a copy of the program placed in the test's folder, with the log on:
  // its log file is written beside that copy, never beside the build's.
  ProcessResult RunLogged(const std::vector<std::string>& args) const;
  std::map<std::string, std::string> Environment() const;
  static std::string Program() { return MARROWLIGHT_CLI; }
  // marrowlight-simbus with the same bus and state folder.
  ProcessResult Tool(const std::vector<std::string>& args) const;

  const TempDir& Dir() const { return dir_; }
  std::string File(const std::string& name) const { return dir_.File(name); }
  double timeScale = 0.001;

 private:
  TempDir dir_;
};
