// SPDX-License-Identifier: GPL-3.0-or-later
#include "scsi/UnitHold.h"

#include <array>

#include "base/Log.h"
#include "host/aspi/AspiSrb.h"
#include "scsi/AspiManager.h"

namespace scsi {

UnitHold::UnitHold(aspi::ScsiAddress address, const std::string& drive) : address_(address) {
  aspi::HoldUnitFn hold = AspiHoldFunction();
  if (hold == nullptr) return;
  std::array<char, 512> reason{};
  uint32_t status = hold(address.ha, address.id, address.lun, 1, reason.data(), reason.size());
  if (status == aspi::SS_COMP) {
    taken_ = true;
    return;
  }
  reason.back() = '\0';
  std::string why = reason[0] != '\0' ? std::string(reason.data()) : "it cannot be held";
  refusal_ = drive + " is in use by another program: " + why +
             ". Close that program (or unmount the disc) and try again.";
  AddLog(refusal_);
}

UnitHold::~UnitHold() {
  if (!taken_) return;
  if (aspi::HoldUnitFn hold = AspiHoldFunction()) hold(address_.ha, address_.id, address_.lun, 0, nullptr, 0);
}

}  // namespace scsi
