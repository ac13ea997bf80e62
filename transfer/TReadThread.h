// TReadThread: the worker that reads a volume from a source (a device or an
// image file) into the pass's buffers, 65,536 bytes per step. A short last
// step leaves the rest of its buffer zeroed; a failed step zeroes it whole.
#pragma once

#include <string>

#include "transfer/TWorkThread.h"

class TReadThread : public TWorkThread {
 public:
  // Device mode: reads from block ceil(start / block size) on.
  TReadThread(SCSIDEV& device, uint64_t start, uint64_t size);
  // File mode: opens the file for reading, sharing nothing; a failed open
  // sets the error flag.
  TReadThread(const std::string& fileName, uint64_t start, uint64_t size);
  ~TReadThread() override;

 protected:
  void Execute() override;
  bool Position() override;
  bool Transfer(uint8_t* buffer, uint32_t count, uint32_t& moved) override;
};
