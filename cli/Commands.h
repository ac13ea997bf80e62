// SPDX-License-Identifier: GPL-3.0-or-later
// The commands of marrowlight-cli, in the order --help lists them. Each adds
// itself to the command set with its own options; its run returns the
// process exit status and prints its results on the standard output, while
// boxes and questions go through the console person seam and progress to the
// standard error.
#pragma once

#include "cli/CommandSet.h"

void AddScanCommand(CommandSet& commands);
void AddCheckCommand(CommandSet& commands);
void AddWriteCommand(CommandSet& commands);
void AddCopyCommand(CommandSet& commands);
void AddPatternCommand(CommandSet& commands);
void AddVerifyCommand(CommandSet& commands);
void AddRecordsCommand(CommandSet& commands);
void AddEraseCommand(CommandSet& commands);
void AddInfoCommand(CommandSet& commands);
// load and eject: the Drive menu's Load and Eject (cli/TrayCommands.cpp).
void AddLoadCommand(CommandSet& commands);
void AddEjectCommand(CommandSet& commands);
void AddFirmwareCommand(CommandSet& commands);
void AddReadScanCommand(CommandSet& commands);
