// The writing-device line of the version dialog.
#pragma once

#include <string>

class SCSIDEV;

// "No writing device is found." without a writer (none listed, or the unset
// device); otherwise the writer line "SCSI address %d,%d,%d:  %s %s (Version %s)".
std::string WritingDeviceLine(const SCSIDEV* writer);
