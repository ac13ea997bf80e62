// SPDX-License-Identifier: GPL-3.0-or-later
// MediumIdentity: who made the disc in a drive, as the disc itself says in
// its lead-in and READ DVD STRUCTURE reports it: for DVD-R and DVD-RW the
// manufacturer ID of the pre-recorded information (format 0Eh, twelve
// characters in two fields), for DVD+R the disc manufacturer ID and media
// type ID of the ADIP information (format 11h). Drives that do not give it
// (the maker's writers, read-only drives, emulations that leave it empty)
// leave `read` false; that is no error.
#pragma once

#include <string>

class SCSIDEV;

struct MediumIdentity {
  bool read = false;          // the drive gave a non-empty identity
  std::string manufacturer;   // "RITEKG05", "MCC", ... (printable ASCII, trailing blanks cut)
  std::string mediaType;      // DVD+R only: "004"; empty otherwise
  std::string medium;         // the profile's name the identity was read for ("DVD-R", "DVD+R")

  // "MCC/004" (DVD+R), "RITEKG05" (DVD-R/RW), or "" when not read.
  std::string Text() const;
};

// Reads the identity of the disc in the drive: GET CONFIGURATION for the
// medium, then READ DVD STRUCTURE in that medium's format. Logs one line
// "[ReadMediumIdentity] ha,id,lun: <Text()>" (or "not given").
MediumIdentity ReadMediumIdentity(SCSIDEV& device);
