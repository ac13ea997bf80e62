// SPDX-License-Identifier: GPL-3.0-or-later
// The SCSI manager a person chose in the windows, kept in the user's settings
// (Qt's settings file of the program) and used at the next start, after a
// --manager on the command line and MARROWLIGHT_ASPI.
#pragma once

#include <string>

std::string SavedManagerChoice();
void SaveManagerChoice(const std::string& choice);
