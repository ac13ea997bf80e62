// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/NoDisc.h"

#include "devices/DeviceLine.h"
#include "devices/SCSIDEV.h"

std::string NoDiscText(DiscPresence presence, const std::string& drive, const std::string& wanted) {
  if (presence == DiscPresence::NoDisc) return "There is no disc in " + drive + ". Insert " + wanted + " and try again.";
  if (presence == DiscPresence::TrayOpen)
    return "The tray of " + drive + " is open. Insert " + wanted + ", close the tray and try again.";
  return {};
}

std::string NoDiscIn(SCSIDEV& device, const std::string& wanted) {
  return NoDiscText(ReadDiscState(device).presence, DriveName(device), wanted);
}
