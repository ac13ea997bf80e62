// SPDX-License-Identifier: GPL-3.0-or-later
// UnitHold: a unit held for this program alone while an operation writes or
// erases a disc, through the manager's optional hold entry point
// (host/aspi/AspiSrb.h); released when the object ends. A manager without
// the entry point holds nothing and the hold counts as taken.
#pragma once

#include <string>

#include "host/aspi/ScsiVocabulary.h"

namespace scsi {

class UnitHold {
 public:
  // drive names the unit in the refusal ("0,3,0 (IET VIRTUAL-CDROM)").
  UnitHold(aspi::ScsiAddress address, const std::string& drive);
  ~UnitHold();
  UnitHold(const UnitHold&) = delete;
  UnitHold& operator=(const UnitHold&) = delete;

  bool Held() const { return refusal_.empty(); }
  // Why the unit could not be held, for the person; empty when held.
  const std::string& Refusal() const { return refusal_; }

 private:
  aspi::ScsiAddress address_;
  bool taken_ = false;  // the manager holds it for us and must be told to let go
  std::string refusal_;
};

}  // namespace scsi
