// SPDX-License-Identifier: GPL-3.0-or-later
#include "volume/DifferenceLog.h"

#include "base/Log.h"
#include "base/NumberText.h"
#include "volume/DiffDetail.h"

void DifferenceLog::Step(const uint8_t* source, const uint8_t* destination, uint32_t length) {
  if (++steps_ <= kDetailedSteps) DiffDetail(source, destination, length);
}

void DifferenceLog::End() const {
  if (steps_ <= kDetailedSteps) return;
  uint64_t further = steps_ - kDetailedSteps;
  AddLog(FormatNumber(further) + (further == 1 ? " further differing step was not detailed."
                                                : " further differing steps were not detailed."));
}
