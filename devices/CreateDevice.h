// SPDX-License-Identifier: GPL-3.0-or-later
// CreateDevice: the device object of the right class for one SCSI address,
// chosen from the address's own INQUIRY data (device type, vendor, product
// and first revision character; vendor and product compared without regard
// to letter case). The maker's drives keep their classes; another maker's
// DVD drive that records DVD-R/-RW or DVD+R by its GET CONFIGURATION
// features is an MMCRECORDER, one that does not know the command but reports
// DVD-R writing in its capabilities page a SCSIDVDRW.
#pragma once

#include <cstdint>
#include <memory>

#include "devices/AddressProbe.h"
#include "devices/SCSIDEV.h"

struct CreatedDevice {
  std::unique_ptr<SCSIDEV> device;  // never empty: the unset device when nothing answers
  bool found = false;
};

// From a probe already made: nothing it has asked is asked again.
CreatedDevice CreateDevice(AddressProbe& probe);
CreatedDevice CreateDevice(uint8_t ha, uint8_t id, uint8_t lun);
