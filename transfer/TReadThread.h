// TReadThread: the worker that reads a volume from a source (a device or an
// image file) into the pass's buffers, 65,536 bytes per step. A short last
// step leaves the rest of its buffer zeroed; a failed step zeroes it whole.
//
// A file may end before the volume does. The reader then zero-fills what the
// file lacks and keeps how much it held; the pass driver asks Holds() and
// decides: a write or copy fails, a verify counts a difference. Only the
// padding of the volume's last partial 2048-byte sector is no shortfall.
#pragma once

#include <atomic>
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

  // True when the source holds the volume's bytes before volume position
  // end (a device always does; it fails a read instead).
  bool Holds(uint64_t end) const;
  // "<file> is shorter than the volume size (<held> of <size> bytes)."
  std::string ShortText() const;

 protected:
  void Execute() override;
  bool Position() override;
  bool Transfer(uint8_t* buffer, uint32_t count, uint32_t& moved) override;

 private:
  // File mode: bytes of the file from the start position on, as found at the
  // open and lowered by a read that met the end of the file early.
  std::atomic<uint64_t> held_{UINT64_MAX};
};
