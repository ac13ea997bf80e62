// SPDX-License-Identifier: GPL-3.0-or-later
// The big-endian field helpers of the SCSI wire format, under the names the
// command layer uses.
#pragma once

#include "host/aspi/BigEndian.h"

namespace scsi {

using aspi::GetBE16;
using aspi::GetBE24;
using aspi::GetBE32;
using aspi::GetBigEndian;
using aspi::PutBE16;
using aspi::PutBE24;
using aspi::PutBE32;
using aspi::PutBigEndian;

}  // namespace scsi
