// SPDX-License-Identifier: GPL-3.0-or-later
// DriveRates: the speeds a drive reports in its capabilities page (MODE
// SENSE 2Ah): the current read and write speed, in bytes per second, for a
// picture's nominal-rate line. A drive that has no such page or leaves the
// fields 0 reports nothing (0), and nothing is logged for it: the rates are
// shown when known, never required.
#pragma once

#include <cstdint>

class SCSIDEV;

struct DriveRates {
  double readBytesPerSecond = 0;
  double writeBytesPerSecond = 0;
};

// Asks the drive once. Uses the device, so only its thread may call it.
DriveRates ReadDriveRates(SCSIDEV& device);
// The rates in a MODE SENSE(10) reply of page 2Ah (header, block
// descriptors, page), as many bytes as the area holds.
DriveRates ParseDriveRates(const uint8_t* area, uint32_t length);
