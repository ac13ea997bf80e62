// SPDX-License-Identifier: GPL-3.0-or-later
// Builds the emulated drive of one address of the bus description.
#pragma once

#include <memory>
#include <string>

#include "managers/simbus/BusDescription.h"
#include "managers/simbus/Drive.h"

namespace simbus {

std::unique_ptr<Drive> CreateDrive(DeviceConfig config, const std::string& stateDir);

// The sample ISO 9660 + UDF image of the default bus's DVD-ROM drive:
// <state folder>/sample-dvd.iso, made with
//   genisoimage -quiet -udf -V SAMPLE -o sample-dvd.iso <folder with README.TXT and DATA.BIN>
// on first use. Returns its path, or an empty text (and why in *error).
std::string SampleImage(const std::string& stateDir, std::string* error);

}  // namespace simbus
