// SPDX-License-Identifier: GPL-3.0-or-later
// The qxw7100's firmware buffers: the SYS part goes to buffer 0 and the MEC
// part to buffer 1 with WRITE BUFFER mode 5; READ BUFFER mode 2 reads them
// back from buffer FEh at offset 20000h and from buffer FFh at offset 40000h;
// WRITE BUFFER to F8h with "QXW-7100 SYS" and to F9h with "QXW-7100 MEC"
// commits each part.
#pragma once

#include "managers/simbus/FirmwareBuffers.h"

namespace simbus {

class Qxw7100Firmware : public FirmwareBuffers {
 public:
  void Write(ScsiCommand& command) override;
  void Read(ScsiCommand& command) override;

 private:
  void Restart() override;
  void Commit(ScsiCommand& command, const char* marker, bool sys);

  std::vector<uint8_t> sys_;
  std::vector<uint8_t> mec_;
};

}  // namespace simbus
