// SPDX-License-Identifier: GPL-3.0-or-later
// TWriteThread: the worker that writes a volume from the pass's buffers to a
// destination (a device or an image file), 65,536 bytes per step.
#pragma once

#include <string>

#include "transfer/TWorkThread.h"

class TWriteThread : public TWorkThread {
 public:
  // Device mode: writes from 2048-byte sector ceil(start / 2048) on.
  TWriteThread(SCSIDEV& device, uint64_t start, uint64_t size);
  // File mode: the file is created afresh (an existing one replaced; the
  // operation has asked the person before), sharing nothing, so a file that
  // is open as the source cannot be opened and is left intact. A failed open
  // sets the error flag.
  TWriteThread(const std::string& fileName, uint64_t start, uint64_t size);
  ~TWriteThread() override;

 protected:
  void Execute() override;
  bool Position() override;
  bool Transfer(uint8_t* buffer, uint32_t count, uint32_t& moved) override;
};
