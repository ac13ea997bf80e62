// SPDX-License-Identifier: GPL-3.0-or-later
// MmcFeatures: what a drive says of itself in GET CONFIGURATION (the
// Multi-Media Commands every DVD writer of the last twenty years answers):
// the profile of the medium it holds now, and whether it can record DVD-R
// and DVD-RW discs (feature 002Fh, with its test-write and DVD-RW bits) or
// DVD+R discs (feature 002Bh, its write bit). The maker's own writers do not
// know the command; for them `answered` stays false.
#pragma once

#include <cstdint>
#include <span>

#include "host/aspi/MmcVocabulary.h"

class SCSIDEV;

namespace profile = aspi::profile;
namespace feature = aspi::feature;

struct MmcFeatures {
  bool answered = false;         // the drive knows GET CONFIGURATION
  uint16_t currentProfile = profile::kNone;
  bool dvdMinusRWrite = false;   // 002Fh: DVD-R (and DVD-RW when dvdRwWrite) in disc-at-once
  bool testWrite = false;        // 002Fh byte 4 bit 2
  bool dvdRwWrite = false;       // 002Fh byte 4 bit 1
  bool dvdPlusRWrite = false;    // 002Bh byte 4 bit 0

  bool CanRecordDvd() const { return dvdMinusRWrite || dvdPlusRWrite; }
};

// Reads a GET CONFIGURATION reply (header and feature descriptors); a reply
// shorter than its header leaves everything unset but `answered`.
MmcFeatures ParseFeatures(std::span<const uint8_t> reply);

// Asks the drive at an address through a request channel of its own, so it
// works before any device object exists (the scan, CreateDevice). A drive
// that is becoming ready is asked again, ten times at most.
MmcFeatures ProbeMmcFeatures(uint8_t ha, uint8_t id, uint8_t lun);
// The same through a device object's own channel.
MmcFeatures ReadMmcFeatures(SCSIDEV& device);
