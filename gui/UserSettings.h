// SPDX-License-Identifier: GPL-3.0-or-later
// What the windows keep in the person's settings between runs (Qt's settings
// file of the program, ~/.config/Marrowlight/marrowlight.conf): the file
// choosers' last files, whose folders the choosers open in, and the folder of
// the last saved log.
#pragma once

#include <string>

#include "app/StartActions.h"

ChooserMemory SavedChooserMemory();
void SaveChooserMemory(const ChooserMemory& memory);
std::string SavedLogFolder();
void SaveLogFolder(const std::string& folder);
