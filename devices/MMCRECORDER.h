// SPDX-License-Identifier: GPL-3.0-or-later
// MMCRECORDER: another maker's DVD writer, driven through the Multi-Media
// Commands that every such drive answers (SATA, USB, SCSI alike). It records
// one track in disc-at-once onto a blank DVD-R, DVD-RW or DVD+R:
// - the disc is checked first (DiscState, MediumRules): anything but a blank
//   disc of those three, and a test write on a DVD+R, is refused with a
//   message before a command that changes the disc is sent;
// - DVD-R/-RW: write parameters page 05h with write type SAO, track mode 5,
//   data block type 8 and the test-write bit when the operation asks for a
//   test; DVD+R has no such page to set and no test write;
// - the write starts at the next writable address READ TRACK INFORMATION
//   gives (not at an assumed LBA 0); RESERVE TRACK announces the size, and a
//   drive that does not know the command (5/20/00) is written without one;
// - WRITE(10) in 32 KiB pieces, retried only when unanswered, waiting while
//   the drive's buffer is full (02/04/08);
// - the end: SYNCHRONIZE CACHE with the immediate bit, then CLOSE TRACK and
//   CLOSE SESSION, each followed by a readiness poll bounded by
//   kFinishLimitMs; a real write counts as done when the disc then reports
//   itself closed.
// Reads (the verify) use the base READ(10) path.
#pragma once

#include <functional>
#include <string>

#include "devices/SCSIDEV.h"

class MMCRECORDER : public SCSIDEV {
 public:
  static constexpr int32_t kClassCode = 0x8030;
  // How long the drive may stay busy after each step of the end of a write.
  static constexpr uint32_t kFinishLimitMs = 900000;
  static constexpr uint32_t kFinishPollMs = 1000;
  // How long a write waits in all for a drive whose buffer is full.
  static constexpr uint32_t kBufferFullLimitMs = 60000;

  MMCRECORDER(uint8_t ha, uint8_t id, uint8_t lun);

  using SCSIDEV::Write;
  bool Write(void* buffer, uint32_t byteCount) override;
  bool Write(uint32_t address, void* buffer, uint32_t byteCount) override;
  bool SetWritingConfig(uint32_t sectorCount, int testWrite, int writeMode) override;
  uint64_t GetFreeSize() override;
  bool FinishWrite() override;
  std::string MediumRefusal(bool testWrite) override;

 private:
  // Page 05h: write type SAO, track mode 5, data block type 8, the test bit.
  bool SelectDiscAtOnce(bool testWrite);
  // RESERVE TRACK; true also when the drive does not know the command.
  bool ReserveTrack(uint32_t sectorCount);
  // TEST UNIT READY until the drive is no longer busy (02/04/xx); false when
  // it stays busy past kFinishLimitMs or answers something else.
  bool WaitWhileBusy(const char* step);
  // One step of the end of a write: the command (immediate), its sense
  // judged, then the wait. Illegal requests are logged and left to the
  // final disc status to judge.
  bool FinishStep(const char* step, const std::function<int()>& send);

  uint32_t firstLba_ = 0;     // the next writable address when the write was configured
  uint16_t trackNumber_ = 1;  // the track being written
  bool testWrite_ = false;
};
