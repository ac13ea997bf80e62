// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/SCSIDVDRW.h"

#include "base/Log.h"
#include "host/aspi/ScsiVocabulary.h"
#include "host/os/Sleep.h"
#include "scsi/Commands.h"
#include "base/TextFormat.h"

namespace sense = aspi::sense;

namespace {

bool LongWriteInProgress(uint8_t key, uint8_t asc, uint8_t ascq) {
  return aspi::Sense{key, asc, ascq} == sense::kNotReadyLongWriteInProgress;
}

}  // namespace

SCSIDVDRW::SCSIDVDRW(uint8_t ha, uint8_t id, uint8_t lun) : SCSIDVDR100(ha, id, lun) { SetIdentity(5, kClassCode); }

uint64_t SCSIDVDRW::GetFreeSize() {
  AddLog("SCSIDVDRW::GetFreeSize()");
  scsi::DiscInformationRequest disc;
  disc.allocationLength = 2048;
  if (!ReadyForFreeSize()) return 0;
  if (ReadRZoneInformation(disc) && GetSense()) {
    // Disc status, bits 0-1 of byte 2: only a blank disc takes a write.
    if ((disc.data[2] & 0x03) != 0) {
      AddLog("Disc size is 0.");
      return 0;
    }
    return RZoneFreeBytes();
  }
  AddLog(LastErrorText());
  return 0;
}

bool SCSIDVDRW::FinishWrite() {
  AddLog("SCSIDVDRW::FinishWrite()");
  uint8_t key = 0, asc = 0, ascq = 0;
  for (int attempt = 1;; ++attempt) {
    int status = SynchronizeCache(true);
    GetSense(&key, &asc, &ascq);
    if ((status == aspi::SS_COMP && key == sense::kNoSenseKey) || LongWriteInProgress(key, asc, ascq)) break;
    if (attempt >= RetryCount()) {
      AddLog("[SCSIDVDRW::FinishWrite] failed.");
      Report();
      return false;
    }
    AddLog(FormatText("[SCSIDVDRW::FinishWrite] - Retry %d/%d", attempt, RetryCount()));
    Report();
    host::Sleep(100);
  }

  // The flush returns at once; the drive reports the leadout as a long write
  // until it is done.
  bool result = false;
  for (uint32_t elapsed = 0;;) {
    host::Sleep(kLongWritePollMs);
    int status = TestUnitReady();
    GetSense(&key, &asc, &ascq);
    if (LongWriteInProgress(key, asc, ascq)) {
      elapsed += kLongWritePollMs;
      if (elapsed < kLongWriteLimitMs) continue;
      // Still writing after the limit: the end of the write was never
      // confirmed, so it does not count as done.
      AddLog("Flusc Cache time out.");
      break;
    }
    if (key == sense::kNoSenseKey && status == aspi::SS_COMP) {
      result = true;
    } else {
      AddLog("Flusc Cache time out.");
    }
    break;
  }
  AddLog("SCSIDVDRW::FinishWrite() done.");
  return result;
}

int SCSIDVDRW::VendorRead(void* buffer, uint16_t length) {
  return scsi::VendorRead12(Channel(), HostAdapter(), TargetId(), Lun(), buffer, length);
}

int SCSIDVDRW::VendorWrite(const void* buffer, uint16_t length) {
  return scsi::VendorWrite12(Channel(), HostAdapter(), TargetId(), Lun(), 0, buffer, length);
}
