// SPDX-License-Identifier: GPL-3.0-or-later
// TReadThread: the worker that reads a volume from a source (a device or an
// image file) into the steps of the pass's ring. A short last step leaves the
// rest of its buffer zeroed; a failed step zeroes it whole.
//
// A file may end before the volume does. The reader then zero-fills what the
// file lacks and keeps how much it held; the pass driver asks Holds() and
// decides: a write or copy fails (the reader, told so, keeps such a step
// back and ends), a verify counts a difference. Only the padding of the
// volume's last partial 2048-byte sector is no shortfall.
//
// A reader of a shared pass (several writers at once) has neither device
// nor file: it takes its steps through its seat (SharedPass.h), copied from
// the steps read once for every writer, or read on its own when its writer
// has fallen a whole window behind.
//
// The source tap (when set) sees the volume's bytes of every step, in order,
// on the reader's thread, before the step is handed on: the one place where
// all the bytes a pass reads from its source pass by.
#pragma once

#include <atomic>
#include <functional>
#include <span>
#include <string>

#include "transfer/SharedPass.h"
#include "transfer/TWorkThread.h"

class TReadThread : public TWorkThread {
 public:
  // Device mode: reads from block ceil(start / block size) on.
  TReadThread(SCSIDEV& device, uint64_t start, uint64_t size);
  // File mode: opens the file for reading, sharing nothing; a failed open
  // sets the error flag.
  TReadThread(const std::string& fileName, uint64_t start, uint64_t size);
  // Shared mode: the volume's size bytes through the seat.
  TReadThread(PassSeat& seat, uint64_t size);
  ~TReadThread() override;

  void ReportWorkerError(bool showBox, bool force) override;

  // True when the source holds the volume's bytes before volume position
  // end (a device always does; it fails a read instead).
  bool Holds(uint64_t end) const;
  // True when a step whose source bytes end at volume position held covers
  // the volume up to end: the padding of a last partial sector aside.
  static bool Covers(uint64_t held, uint64_t end);
  // Set before Start: a step the source file does not fill is kept back and
  // the reader ends (a write pass), rather than handed on zero-filled.
  void StopAtShortfall(bool stop) { stopAtShortfall_ = stop; }
  using SourceTap = std::function<void(std::span<const uint8_t> bytes)>;
  void SetSourceTap(SourceTap tap) { tap_ = std::move(tap); }
  // "<file> is shorter than the volume size (<held> of <size> bytes)."
  std::string ShortText() const;

 protected:
  void Execute() override;
  bool Position() override;
  bool Transfer(uint8_t* buffer, uint32_t count, uint32_t& moved) override;
  bool Deliver(const StepRing::Step& step) override;

 private:
  // File mode: bytes of the file from the start position on, as found at the
  // open and lowered by a read that met the end of the file early.
  std::atomic<uint64_t> held_{UINT64_MAX};
  bool stopAtShortfall_ = false;
  SourceTap tap_;
  PassSeat* seat_ = nullptr;
  uint64_t seatOffset_ = 0;  // volume position of the next step taken through the seat
};
