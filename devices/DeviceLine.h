// SPDX-License-Identifier: GPL-3.0-or-later
// The line that names a writer in the "Firmware Update" and "Writer
// Property" dialogs: "SCSI address %d,%d,%d:  %s %s (Version %s)" with its
// address, vendor, product and revision.
#pragma once

#include <string>

class SCSIDEV;

// A writer left in its boot or loader mode by an update cut short (a
// QXW-7200 whose revision begins with "B" or "L") is named as such, never as
// a ready writer: the line ends in " - " and FirmwareModeNote.
std::string DeviceLine(const SCSIDEV& device);

// "boot mode: run the firmware update again", "loader mode: run the firmware
// update again", or empty for a drive that runs its firmware.
std::string FirmwareModeNote(const SCSIDEV& device);

// The writing-device line of the version and firmware update dialogs: "No
// writing device is found." without a writer (none listed, or the unset
// device), otherwise DeviceLine.
std::string WritingDeviceLine(const SCSIDEV* writer);

// The drive as messages name it: "0,6,0 (ORBITEK DVR-RW 1120)", the
// vendor's and product's trailing blanks cut.
std::string DriveName(const SCSIDEV& device);
