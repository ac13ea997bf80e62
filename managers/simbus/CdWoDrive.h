// SPDX-License-Identifier: GPL-3.0-or-later
// CdWoDrive: the maker's CD write-once drive (`cd-wo`, type 4). A block
// device over a file like the disk, plus the vendor mode pages 20h
// (configuration) and 23h (writing mode, test-write flag in page byte 3) and
// the vendor commands E6h (set up a write) and E9h (control, or a vendor read
// when it asks for data), which it accepts while a medium is loaded.
#pragma once

#include <array>

#include "managers/simbus/DirectAccessDrive.h"

namespace simbus {

class CdWoDrive : public DirectAccessDrive {
 public:
  CdWoDrive(const DeviceConfig& config, std::string stateDir);

 protected:
  bool ModePage(uint8_t code, std::vector<uint8_t>& page) const override;
  void SelectPage(ScsiCommand& command, const uint8_t* list, uint32_t length) override;

 private:
  void VendorSetup(ScsiCommand& command);
  void VendorControl(ScsiCommand& command);

  std::array<uint8_t, 8> configurationPage_{};
  std::array<uint8_t, 8> writingModePage_{};
};

}  // namespace simbus
