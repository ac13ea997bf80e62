// CreateDevice: the device object of the right class for one SCSI address,
// chosen from the address's own INQUIRY data (device type, vendor, product
// and first revision character; vendor and product compared without regard
// to letter case).
#pragma once

#include <cstdint>
#include <memory>

#include "devices/SCSIDEV.h"

struct CreatedDevice {
  std::unique_ptr<SCSIDEV> device;  // never empty: the unset device when nothing answers
  bool found = false;
};

CreatedDevice CreateDevice(uint8_t ha, uint8_t id, uint8_t lun);
