// IsDVDR: whether the drive at an address reports DVD-R writing in its
// capabilities page (2Ah). Uses a request channel of its own, so it works
// before any device object exists (the device scan, CreateDevice).
#pragma once

#include <cstdint>

bool IsDVDR(uint8_t ha, uint8_t id, uint8_t lun);
