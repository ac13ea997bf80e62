// SPDX-License-Identifier: GPL-3.0-or-later
// The GET CONFIGURATION reply of the emulated MMC drives: the feature header
// with the current profile, then the feature descriptors in ascending order
// (profile list, core, removable medium, DVD read, and for a recorder DVD+R
// and DVD-R/-RW write with the test-write and DVD-RW bits), as the request
// type asks: 0 all features from the starting one, 1 only the current ones,
// 2 the starting feature alone.
#pragma once

#include <cstdint>
#include <vector>

#include "managers/simbus/BusDescription.h"

namespace simbus {

// The profile of a disc kind as the drive holds it now (0: no disc).
uint16_t CurrentProfile(MediumKind kind);

std::vector<uint8_t> ConfigurationReply(bool recorder, MediumKind disc, uint8_t requestType, uint16_t startFeature);

}  // namespace simbus
