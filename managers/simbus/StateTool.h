// SPDX-License-Identifier: GPL-3.0-or-later
// The state tool behind `marrowlight-simbus`: shows what each drive of the
// bus holds and puts another disc into a drive, by changing the drive's
// record in the state folder. A program running on the bus sees the new disc
// at its next TEST UNIT READY (after a short becoming-ready period).
//
//   marrowlight-simbus list
//   marrowlight-simbus insert ADAPTER,ID[,LUN] dvd-r [SECTORS]
//   marrowlight-simbus insert ADAPTER,ID[,LUN] dvd-rw [SECTORS]
//   marrowlight-simbus insert ADAPTER,ID[,LUN] image PATH
//   marrowlight-simbus insert ADAPTER,ID[,LUN] none
//   marrowlight-simbus reset ADAPTER,ID[,LUN]
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace simbus {

// Runs one command line (without the program name); returns the exit status.
int RunStateTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace simbus
