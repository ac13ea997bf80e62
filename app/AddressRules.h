// SPDX-License-Identifier: GPL-3.0-or-later
// AddressRules: the one place that decides what a SCSI address holds and
// what it may be used for: a Write page source or destination (writer), a
// Copy page source or destination. The device scan of both pages and the
// headless front end's arguments ask it, each address once (AddressProbe),
// so a refusal reads the same everywhere and no drive is asked twice.
//
// Destinations of the Write page (the writers) are the maker's DVD-R
// writers that report DVD-R writing in their capabilities page, its CD
// write-once drive, and every other maker's DVD drive whose GET
// CONFIGURATION features record DVD-R/-RW or DVD+R (an MMC recorder, listed
// after the maker's writers). The maker's name is compared byte for byte
// here, as the scan always did.
#pragma once

#include <memory>
#include <string>

#include "devices/AddressProbe.h"
#include "devices/SCSIDEV.h"

enum class AddressRole { WriteSource, Writer, CopySource, CopyDestination };

struct AddressVerdict {
  bool fits = false;
  bool mmcRecorder = false;  // a writer of another maker
  std::string refusal;       // why it does not fit, for the person; empty when it fits
};

AddressVerdict JudgeAddress(AddressProbe& probe, AddressRole role);

// The device at an address when it may play the role; otherwise nothing,
// with the reason ("No device answers at 0,7,0.", "0,2,0 is not a DVD
// writer.") in *refusal.
std::unique_ptr<SCSIDEV> OpenForRole(const aspi::ScsiAddress& address, AddressRole role, std::string* refusal);
// The device at an address whatever it is; nothing (with the reason) when
// no device answers there.
std::unique_ptr<SCSIDEV> OpenAny(const aspi::ScsiAddress& address, std::string* refusal);

// "0,4,0"
std::string AddressText(const aspi::ScsiAddress& address);
