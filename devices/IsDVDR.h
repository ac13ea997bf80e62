// SPDX-License-Identifier: GPL-3.0-or-later
// IsDVDR: whether the drive at an address reports DVD-R writing in its
// capabilities page (2Ah). Uses a request channel of its own, so it works
// before any device object exists (the device scan, CreateDevice).
#pragma once

#include <cstdint>
#include <string>

#include "host/aspi/ScsiVocabulary.h"

// What the capabilities page said, or why it could not be read: a drive
// that stays not ready, or a manager that turned every request away, is no
// proof that the drive is not a writer.
enum class DvdrAnswer { Writer, NotWriter, NotReady, ManagerBusy };

struct DvdrProbe {
  DvdrAnswer answer = DvdrAnswer::NotWriter;
  aspi::Sense sense{};   // of the last answer
  std::string senseText;  // decoded
};

DvdrProbe ProbeDVDR(uint8_t ha, uint8_t id, uint8_t lun);
bool IsDVDR(uint8_t ha, uint8_t id, uint8_t lun);
