// SPDX-License-Identifier: GPL-3.0-or-later
// marrowlight-simbus: shows what the drives of the simulated SCSI bus hold and
// puts a fresh blank disc or another image into one (see StateTool.h).
#include <iostream>
#include <string>
#include <vector>

#include "managers/simbus/StateTool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return simbus::RunStateTool(args, std::cout, std::cerr);
}
