// SPDX-License-Identifier: GPL-3.0-or-later
// Completion: what the program reads in an execute block for one answer of
// the kernel: the request status, the host adapter status, the target status
// and the sense area.
//
// In order of precedence:
// - the kernel refused the call (an errno): the status of kCallErrors;
// - the host adapter driver failed the command (a host byte): the status and
//   host adapter status of kHostStatuses, with any sense data kept;
// - CHECK CONDITION, or sense data the midlayer marked as such: SS_ERR with
//   the sense in fixed format (SenseFormat.h); CHECK CONDITION without sense
//   data also says that the request for sense failed;
// - another target status (BUSY, RESERVATION CONFLICT, ...): SS_ERR with that
//   target status;
// - a midlayer time-out or error with nothing else to go by: SS_ERR;
// - otherwise SS_COMP. A short transfer is not a failure: the transfer
//   length the kernel reports is not trusted (some targets report none), and
//   the program reads lengths from the data itself.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/aspi/AspiSrb.h"
#include "managers/sg/Node.h"

namespace sg {

struct Completion {
  uint8_t status = aspi::SS_COMP;
  uint8_t hostStatus = aspi::HASTAT_OK;
  uint8_t targetStatus = aspi::STATUS_GOOD;
  size_t senseLength = 0;
  std::array<uint8_t, aspi::kSenseAreaSize> sense{};
  // Why the kernel or the host adapter failed the command, for the log;
  // empty when the target itself answered.
  std::string problem;
};

Completion Translate(const Result& result);

}  // namespace sg
