// SPDX-License-Identifier: GPL-3.0-or-later
// The qxw7200's firmware buffers. The drive runs its firmware until a
// zero-length WRITE BUFFER (mode 5) to buffer 0 puts it into boot mode ('B'
// at INQUIRY byte 32). In boot mode it takes loader.inf (buffer F3h, 16
// bytes: load address, start address), loader.bin (buffer F4h, at the load
// address onwards) and the start command (buffer F5h, offset = the start
// address), after which the loader runs ('L'). The loader takes rom_in.bin
// (buffer 0) and rom_ext.bin (buffer 1), reads them back with READ BUFFER
// mode 5, and commits them with "HALVERN" to buffer F8h.
#pragma once

#include "managers/simbus/FirmwareBuffers.h"

namespace simbus {

class Qxw7200Firmware : public FirmwareBuffers {
 public:
  void Write(ScsiCommand& command) override;
  void Read(ScsiCommand& command) override;
  FirmwareMode Mode() const override { return mode_; }
  // Boot mode waits for loader.inf again; loader mode takes ROM images.
  void Resume(FirmwareMode mode) override { mode_ = mode; }

 private:
  void Restart() override;
  void LoaderInfo(ScsiCommand& command, uint32_t length);
  void LoaderImage(ScsiCommand& command, uint32_t offset, uint32_t length);
  void StartLoader(ScsiCommand& command, uint32_t address);
  void Commit(ScsiCommand& command, uint32_t length);

  FirmwareMode mode_ = FirmwareMode::Normal;
  bool haveLoaderInfo_ = false;
  uint32_t loadAddress_ = 0;
  uint32_t startAddress_ = 0;
  std::vector<uint8_t> loader_;
  std::vector<uint8_t> romIn_;
  std::vector<uint8_t> romExt_;
};

}  // namespace simbus
