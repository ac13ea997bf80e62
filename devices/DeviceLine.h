// The line that names a writer in the "Firmware Update" and "Writer
// Property" dialogs: "SCSI address %d,%d,%d:  %s %s (Version %s)" with its
// address, vendor, product and revision.
#pragma once

#include <string>

class SCSIDEV;

std::string DeviceLine(const SCSIDEV& device);

// The writing-device line of the version and firmware update dialogs: "No
// writing device is found." without a writer (none listed, or the unset
// device), otherwise DeviceLine.
std::string WritingDeviceLine(const SCSIDEV* writer);

// The drive as messages name it: "0,6,0 (ORBITEK DVR-RW 1120)", the
// vendor's and product's trailing blanks cut.
std::string DriveName(const SCSIDEV& device);
