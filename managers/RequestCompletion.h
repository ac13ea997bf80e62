// SPDX-License-Identifier: GPL-3.0-or-later
// What every manager does to hand an execute block back to the program, as
// the contract of host/aspi/AspiSrb.h asks: the host adapter and target
// statuses and the sense area first, the request status last (with release
// order, since the program polls it), then the request's event when it asked
// for one. Also the blank-padded text fields of an adapter inquiry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "host/aspi/AspiSrb.h"
#include "host/os/Event.h"

namespace manager {

inline void PublishStatus(aspi::SRB_ExecSCSICmd* request, uint8_t status) {
  __atomic_store_n(&request->SRB_Status, status, __ATOMIC_RELEASE);
}

inline void SignalCompletion(aspi::SRB_ExecSCSICmd* request) {
  if (request->SRB_Flags & aspi::SRB_EVENT_NOTIFY) host::SignalEventHandle(static_cast<int>(request->SRB_PostProc));
}

// Ends a request with the given statuses and no sense data of its own.
inline void CompleteAtOnce(aspi::SRB_ExecSCSICmd* request, uint8_t status, uint8_t hostStatus,
                           uint8_t targetStatus = aspi::STATUS_GOOD) {
  request->SRB_HaStat = hostStatus;
  request->SRB_TargStat = targetStatus;
  PublishStatus(request, status);
  SignalCompletion(request);
}

// Ends a request the program aborted.
inline void FinishAborted(aspi::SRB_ExecSCSICmd* request) {
  CompleteAtOnce(request, aspi::SS_ABORTED, aspi::HASTAT_OK);
}

inline void PutPaddedText(uint8_t* field, size_t width, std::string_view text) {
  for (size_t i = 0; i < width; ++i) field[i] = i < text.size() ? static_cast<uint8_t>(text[i]) : ' ';
}

}  // namespace manager
