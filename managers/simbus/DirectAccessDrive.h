// SPDX-License-Identifier: GPL-3.0-or-later
// DirectAccessDrive: a block device backed by one file: the `disk` (type 0,
// 512-byte blocks unless told) and the `optical-memory` (type 7, 2048-byte
// blocks). The file is the description's "path", or a sparse file of
// "sectors" blocks in the state folder. A medium that is not "writable"
// answers writes with DATA PROTECT, write protected (07/27/00).
#pragma once

#include "managers/simbus/Drive.h"
#include "managers/simbus/SectorFile.h"

namespace simbus {

class DirectAccessDrive : public Drive {
 public:
  DirectAccessDrive(const DeviceConfig& config, std::string stateDir);
  std::string Summary() const override;

 protected:
  std::optional<Sense> Readiness() const override;
  void FillInquiry(uint8_t* inquiry) const override;
  // Appends mode page `code`; false when unknown.
  virtual bool ModePage(uint8_t code, std::vector<uint8_t>& page) const;
  virtual void SelectPage(ScsiCommand& command, const uint8_t* list, uint32_t length);

  void ReadCapacity(ScsiCommand& command);
  void Read10(ScsiCommand& command);
  void Read12(ScsiCommand& command);
  void Write10(ScsiCommand& command);
  void Write12(ScsiCommand& command);
  void ModeSense10(ScsiCommand& command);
  void ModeSelect10(ScsiCommand& command);
  void Accept(ScsiCommand& command);
  void Transfer(ScsiCommand& command, uint32_t lba, uint32_t count, bool write);

  SectorFile file_;
  std::string path_;
  uint32_t blockSize_ = 512;
  uint64_t blocks_ = 0;
  bool writable_ = false;
};

}  // namespace simbus
