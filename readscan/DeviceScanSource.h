// SPDX-License-Identifier: GPL-3.0-or-later
// DeviceScanSource: a read scan's disc in a drive. Open waits for the drive
// to become ready and reads its capacity (the recorded area of a written
// disc); each read is one READ(10) per piece of at most 32 KiB, without the
// device's own retries, and its sense tells an unreadable block (medium or
// hardware error, or any other refusal of the read) from a blank one (blank
// check) and from a drive that cannot go on (not ready, medium changed, no
// answer).
#pragma once

#include <cstdint>
#include <string>

#include "readscan/ScanSource.h"

class SCSIDEV;

// "0,2,0: ORBITEK DVD-ROM DR-160", the drive as the scan names it.
std::string ScanDriveName(const SCSIDEV& drive);
// "Read scan of 0,2,0: ORBITEK DVD-ROM DR-160", the title of a scan's map.
std::string ScanTitle(const SCSIDEV& drive);

class DeviceScanSource : public ScanSource {
 public:
  // The drive must not be used by another thread while the scan runs.
  explicit DeviceScanSource(SCSIDEV& device) : device_(device) {}

  bool Open() override;
  uint32_t BlockSize() const override { return blockSize_; }
  uint64_t Blocks() const override { return blocks_; }
  ReadResult Read(uint64_t first, uint32_t count, uint8_t* buffer) override;
  double NominalBytesPerSecond() override;
  std::string Reason() const override { return reason_; }

 private:
  ReadResult ReadPiece(uint32_t first, uint16_t count, uint8_t* buffer);

  SCSIDEV& device_;
  uint32_t blockSize_ = 0;
  uint64_t blocks_ = 0;
  uint16_t piece_ = 1;  // blocks per command
  std::string reason_;
};
