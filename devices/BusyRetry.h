// SPDX-License-Identifier: GPL-3.0-or-later
// Busy answers of the SCSI manager. A request the manager turns away as busy
// (SS_ASPI_IS_BUSY) never reached the drive, so it says nothing about the
// drive: it is sent again, as the writer probe asks again, up to
// kBusyAttempts times kBusyPauseMs apart. Every INQUIRY of the scans and
// the factory and every command of a device goes through this.
#pragma once

#include <cstdint>

#include "base/Log.h"
#include "base/TextFormat.h"
#include "host/os/Sleep.h"
#include "scsi/ASPI32.h"

inline constexpr int kBusyAttempts = 10;
inline constexpr uint32_t kBusyPauseMs = 100;

// send() issues one request on channel and returns its status. Returns the
// status of the last attempt; busy is set when even that one was turned away.
template <typename Send>
int RetryWhileBusy(ASPI32& channel, Send&& send, bool* busy = nullptr) {
  int status = -1;
  bool turnedAway = false;
  for (int attempt = 1; attempt <= kBusyAttempts; ++attempt) {
    const uint32_t before = channel.BusyAnswers();
    status = send();
    turnedAway = channel.BusyAnswers() != before;
    if (!turnedAway || attempt == kBusyAttempts) break;
    AddLog(FormatText("[SCSI] The SCSI manager is busy; the command is sent again (%d/%d).", attempt, kBusyAttempts));
    host::Sleep(kBusyPauseMs);
  }
  if (busy != nullptr) *busy = turnedAway;
  return status;
}
