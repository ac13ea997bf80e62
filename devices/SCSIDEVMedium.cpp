// SPDX-License-Identifier: GPL-3.0-or-later
// SCSIDEV: readiness, start/stop, firmware buffers and the disc information.
#include "devices/SCSIDEV.h"

#include <algorithm>

#include "base/Log.h"
#include "host/aspi/ScsiVocabulary.h"
#include "host/os/Sleep.h"
#include "base/TextFormat.h"

namespace sense = aspi::sense;

namespace {

constexpr uint32_t kPollMs = 100;

bool MediumNotPresent(uint8_t key, uint8_t asc, uint8_t ascq) {
  return aspi::Sense{key, asc, ascq} == sense::kMediumNotPresent;
}

}  // namespace

bool SCSIDEV::WaitReady(uint32_t milliseconds) {
  if (IsUnassigned()) return false;
  for (uint32_t poll = 0; poll < milliseconds / kPollMs + 1; ++poll) {
    int status = TestUnitReady();
    uint8_t key = 0;
    GetSense(&key);
    // Only an answered command counts: a request that was never made leaves
    // the sense area empty as well.
    if (key == sense::kNoSenseKey && status == aspi::SS_COMP) return true;
    host::Sleep(kPollMs);
  }
  return false;
}

bool SCSIDEV::WaitNoMedium(uint32_t milliseconds) {
  if (IsUnassigned()) return false;
  for (uint32_t poll = 0; poll < milliseconds / kPollMs + 1; ++poll) {
    int status = TestUnitReady();
    uint8_t key = 0, asc = 0, ascq = 0;
    GetSense(&key, &asc, &ascq);
    if (MediumNotPresent(key, asc, ascq)) return true;
    if (status != aspi::SS_COMP || key != sense::kNoSenseKey) host::Sleep(kPollMs);
  }
  return false;
}

bool SCSIDEV::StartStopUnit(uint8_t start, uint8_t powerCondition) {
  for (int attempt = 1;; ++attempt) {
    host::Sleep(500);
    int status = SendStartStopUnit(start, powerCondition);
    uint8_t key = 0, asc = 0, ascq = 0;
    bool clean = GetSense(&key, &asc, &ascq);
    // Without a medium there is nothing to start or eject: done as well.
    if ((status == aspi::SS_COMP && clean) || MediumNotPresent(key, asc, ascq)) return true;
    if (attempt >= retryCount_) {
      AddLog("[SCSIDEV::StartStopUnit] failed.");
      Report();
      return false;
    }
    AddLog(FormatText("[SCSIDEV::StartStopUnit] - Retry %d/%d", attempt, retryCount_));
    Report();
  }
}

bool SCSIDEV::ReadBuffer(uint8_t mode, uint8_t bufferId, uint32_t offset, void* data, uint32_t length) {
  auto* bytes = static_cast<uint8_t*>(data);
  while (length > 0) {
    uint32_t piece = std::min(length, kPieceBytes);
    for (int attempt = 1;; ++attempt) {
      host::Sleep(100);
      int status = SendReadBuffer(mode, bufferId, offset, bytes, piece);
      uint8_t key = 0;
      GetSense(&key);
      if (status == aspi::SS_COMP && key == sense::kNoSenseKey) break;
      if (attempt >= retryCount_) {
        AddLog("[SCSIDEV::ReadBuffer] failed.");
        Report();
        return false;
      }
      AddLog(FormatText("[SCSIDEV::ReadBuffer] - Retry %d/%d", attempt, retryCount_));
      Report();
      host::Sleep(10);
    }
    bytes += piece;
    offset += piece;
    length -= piece;
  }
  return true;
}

bool SCSIDEV::WriteBuffer(uint8_t mode, uint8_t bufferId, uint32_t offset, const void* data, uint32_t length) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  if (length == 0) {
    // The zero-length form is a signal to the drive (such as entering its
    // boot mode), retried like a buffer read.
    for (int attempt = 1;; ++attempt) {
      host::Sleep(100);
      int status = SendWriteBuffer(mode, bufferId, offset, bytes, 0);
      uint8_t key = 0;
      GetSense(&key);
      if (status == aspi::SS_COMP && key == sense::kNoSenseKey) return true;
      if (attempt >= retryCount_) {
        AddLog("[SCSIDEV::WriteBuffer] failed.");
        Report();
        return false;
      }
      AddLog(FormatText("[SCSIDEV::WriteBuffer] - Retry %d/%d", attempt, retryCount_));
      Report();
      host::Sleep(10);
    }
  }
  while (length > 0) {
    uint32_t piece = std::min(length, kPieceBytes);
    for (int attempt = 1;; ++attempt) {
      host::Sleep(100);
      int status = SendWriteBuffer(mode, bufferId, offset, bytes, piece);
      uint8_t key = 0;
      bool clean = GetSense(&key);
      if (status == aspi::SS_COMP && clean) break;
      if (status == aspi::SS_COMP) {
        Report();
        AddLog(FormatText("Offset: %d, TransBytes: %d", offset, piece));
        return false;
      }
      if (key != sense::kNoSenseKey || attempt >= retryCount_) {
        Report();
        return false;
      }
      Report();
      AddLog(FormatText("[SCSIDEV::WriteBuffer] - Retry %d", attempt + 1));
      host::Sleep(1000);
    }
    bytes += piece;
    offset += piece;
    length -= piece;
  }
  return true;
}

bool SCSIDEV::ReadRZoneInformation(scsi::DiscInformationRequest& request) {
  for (int attempt = 1;; ++attempt) {
    int status = ReadDiscInformation(request);
    uint8_t key = 0;
    GetSense(&key);
    if (status == aspi::SS_COMP && key == sense::kNoSenseKey) break;
    if (attempt >= retryCount_) {
      AddLog("[SCSIDEV::ReadRZoneInformation] failed.");
      Report();
      return false;
    }
    AddLog(FormatText("[SCSIDEV::ReadRZoneInformation] Retry %d/%d", attempt, retryCount_));
    Report();
    host::Sleep(1000);
  }
  AddLog("[SCSIDEV::ReadRZoneInformation] done.");
  return true;
}
