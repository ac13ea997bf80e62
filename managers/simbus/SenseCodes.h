// SPDX-License-Identifier: GPL-3.0-or-later
// Sense values the emulated drives report, by the names the program tests
// them with (host/aspi/ScsiVocabulary.h). Handlers fail a command with one of
// these; no call site spells a sense key, ASC or ASCQ as a number.
#pragma once

#include "host/aspi/ScsiVocabulary.h"

namespace simbus {

using aspi::Sense;
namespace sense = aspi::sense;
using namespace aspi::sense;

}  // namespace simbus
