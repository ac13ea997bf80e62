// SPDX-License-Identifier: GPL-3.0-or-later
// Big-endian fields (shared with the program, see host/aspi/BigEndian.h) and
// space-padded texts of the replies the emulated drives build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "host/aspi/BigEndian.h"
#include "managers/RequestCompletion.h"

namespace simbus {

using aspi::GetBE16;
using aspi::GetBE24;
using aspi::GetBE32;
using aspi::PutBE16;
using aspi::PutBE24;
using aspi::PutBE32;

// Writes text into a field of `width` bytes, cut or padded with blanks, as
// INQUIRY identification fields are.
using manager::PutPaddedText;

}  // namespace simbus
