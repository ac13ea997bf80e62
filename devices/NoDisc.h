// SPDX-License-Identifier: GPL-3.0-or-later
// The one text that tells a person a drive holds no disc, and what to do
// about it: "There is no disc in 0,4,0 (HALVERN DVD-R QXW-7100). Insert a
// disc and try again." (or "The tray of ... is open. ..."). The operation,
// the erase, the property window, the size of the disc in the operation
// dialog, the MMC recorders' refusals (MediumRules) and marrowlight-cli's
// info all say it in these words.
#pragma once

#include <string>

#include "devices/DiscState.h"

class SCSIDEV;

// The text for a drive whose DiscState has this presence, named drive;
// wanted is the disc to insert ("a disc", "a blank DVD-R, ..."). Empty when
// the presence is not one without a disc (NoDisc, TrayOpen).
std::string NoDiscText(DiscPresence presence, const std::string& drive, const std::string& wanted = "a disc");

// Reads the drive's state (ReadDiscState): the no disc text when it holds
// none, empty otherwise (a disc is in, or the drive is only busy).
std::string NoDiscIn(SCSIDEV& device, const std::string& wanted = "a disc");
