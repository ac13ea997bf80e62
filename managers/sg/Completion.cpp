// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/sg/Completion.h"

#include <cstring>

#include "managers/sg/KernelStatusTables.h"
#include "managers/sg/ManagerLog.h"
#include "managers/sg/SenseFormat.h"

namespace sg {
namespace {

const KernelFailure* FindFailure(const auto& table, int code) {
  for (const KernelFailure& row : table) {
    if (row.code == code) return &row;
  }
  return nullptr;
}

}  // namespace

Completion Translate(const Result& result) {
  Completion done;
  if (result.error != 0) {
    const KernelFailure* row = FindFailure(kCallErrors, result.error);
    done.status = row ? row->status : aspi::SS_ERR;
    done.hostStatus = row ? row->hostStatus : aspi::HASTAT_OK;
    done.problem = std::string("the kernel refused the command: ") + std::strerror(result.error);
    return done;
  }

  done.targetStatus = result.status;
  const bool checkCondition = result.status == aspi::STATUS_CHKCOND;
  const bool senseGiven = result.senseLength > 0 && (checkCondition || (result.driverStatus & kDriverSense));
  if (senseGiven) {
    done.senseLength =
        ToFixedSense(result.sense.data(), result.senseLength, done.sense.data(), done.sense.size());
  }

  if (result.hostStatus != 0) {
    const KernelFailure* row = FindFailure(kHostStatuses, result.hostStatus);
    done.status = row ? row->status : aspi::SS_ERR;
    done.hostStatus = row ? row->hostStatus : aspi::HASTAT_OK;
    done.problem = "host status " + (row ? std::string(row->name) + " (" + Hex(result.hostStatus) + ")"
                                         : Hex(result.hostStatus));
    return done;
  }
  if (senseGiven) {
    done.status = aspi::SS_ERR;
    done.targetStatus = aspi::STATUS_CHKCOND;
    return done;
  }
  if (checkCondition) {
    done.status = aspi::SS_ERR;
    done.hostStatus = aspi::HASTAT_REQUEST_SENSE_FAILED;
    done.problem = "CHECK CONDITION without sense data";
    return done;
  }
  if (result.status != aspi::STATUS_GOOD && result.status != aspi::STATUS_CONDITION_MET) {
    done.status = aspi::SS_ERR;
    return done;
  }
  const uint16_t driverFailure = result.driverStatus & kDriverStatusMask;
  if (driverFailure != 0) {
    done.status = aspi::SS_ERR;
    done.hostStatus = driverFailure == kDriverTimeout ? aspi::HASTAT_COMMAND_TIMEOUT : aspi::HASTAT_OK;
    done.problem = "driver status " + Hex(result.driverStatus);
    return done;
  }
  return done;
}

}  // namespace sg
