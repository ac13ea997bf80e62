// SPDX-License-Identifier: GPL-3.0-or-later
// TWorkThread: one worker of a data pass. A TReadThread reads the volume from
// a source, a TWriteThread writes it to a destination; each works on a SCSI
// device (by logical block address) or on an image file (by byte position),
// one step at a time (65,536 bytes, or a larger step the pass chooses), into
// or out of the steps of the pass's StepRing.
//
// Hand-over: a reader takes a free step of its ring, fills it and publishes
// it; a writer takes the next full step, writes it and releases it
// (StepRing.h has the costs). After its last step a reader finishes its
// ring, so that the writer ends once it has written everything. Stop() asks
// the worker to terminate and stops the ring, so that nobody waits any
// longer. Steps are counted from 0: even steps are "step A", odd "step B" in
// the log lines.
//
// running, error, rest, done and lastCount are written by the worker and may be
// read by the pass driver at any time; the watcher event (when given) is
// set when the whole percent of the worker's bytes has grown and when the
// worker leaves its loop.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "base/CFILE.h"
#include "host/os/Event.h"
#include "host/os/Thread.h"
#include "transfer/StepRing.h"

class SCSIDEV;

class TWorkThread : public host::Thread {
 public:
  static constexpr uint32_t kChunk = 65536;

  // Texts of the four log lines of a worker; each takes the high and the low
  // 32 bits of rest.
  struct StepLines {
    const char* failedA;
    const char* endedA;
    const char* failedB;
    const char* endedB;
  };

  ~TWorkThread() override;

  // running := true, error := false, then the thread runs Execute.
  void Start();
  // Asks the worker to terminate and stops its ring: every waiter of the
  // pass is released.
  void Stop();
  // Reports the worker's failure: file write error -> "Destination disk is
  // going to full." when at most one chunk is left free on the disk; other
  // file errors (a write past a file size limit among them) -> the file's
  // ErrorText; device -> the device's ReportError.
  virtual void ReportWorkerError(bool showBox, bool force);

  // Wiring, set by the pass driver before Start: the ring the worker fills
  // or empties (its step size is the worker's step), and the event that
  // tells the pass driver about the worker's progress (optional).
  void SetRing(StepRing* ring) { ring_ = ring; }
  void SetWatcher(host::ManualResetEvent* watcher) { watcher_ = watcher; }

  bool Running() const { return running_.load(); }
  bool Error() const { return error_.load(); }
  uint64_t Rest() const { return rest_.load(); }
  // Bytes of the steps the worker has completed (read and handed on, or
  // written).
  uint64_t Done() const { return done_.load(); }
  uint32_t LastCount() const { return lastCount_.load(); }
  // Bytes the worker moves in its pass.
  uint64_t Size() const { return size_; }
  bool FileMode() const { return fileMode_; }
  // Bytes per step: those of the ring's steps.
  uint32_t StepBytes() const { return ring_ != nullptr ? ring_->StepBytes() : kChunk; }
  CFILE& File() { return file_; }
  const CFILE& File() const { return file_; }

 protected:
  TWorkThread(SCSIDEV* device, uint64_t start, uint64_t size);
  TWorkThread(uint64_t start, uint64_t size);
  // Neither a device nor a file of its own (a reader of a shared pass).
  explicit TWorkThread(uint64_t size);

  // The worker loop shared by both classes: position, then steps until the
  // data are moved, a step fails or the worker is stopped.
  void RunLoop(bool reader, const StepLines& lines);
  virtual bool Position() = 0;
  // One transfer of count bytes into or out of buffer; false on failure.
  // moved gets the bytes actually moved (a file read ends early at the end
  // of the file).
  virtual bool Transfer(uint8_t* buffer, uint32_t count, uint32_t& moved) = 0;
  // A reader's last word on a filled step before it is handed on: false
  // keeps it back and ends the worker (a source that ended early).
  virtual bool Deliver(const StepRing::Step&) { return true; }

  void SetError() { error_.store(true); }
  // For the destructors: a worker still waiting for a buffer is stopped
  // first, so that freeing it never hangs; then the thread is joined.
  void Join();
  SCSIDEV* Device() const { return device_; }
  uint64_t StartPosition() const { return start_; }

 private:
  // One step; false when the loop ends after it.
  bool ReadStep(uint64_t index, const StepLines& lines);
  bool WriteStep(uint64_t index, const StepLines& lines);
  // Takes the next count off rest.
  uint32_t TakeStep();
  // Logs line (with rest) and ends the loop; failed sets the error.
  bool EndLoop(const char* line, bool failed = false);
  // A step is done: hands it on (publish or release) and goes on, unless
  // the worker ends with it.
  bool HandOn(bool stepA, const StepLines& lines, void (StepRing::*handOn)());
  void LogRest(const char* format);
  void WatchProgress();

  std::atomic<bool> running_{false};
  std::atomic<bool> error_{false};
  CFILE file_;
  SCSIDEV* device_ = nullptr;
  uint64_t size_ = 0;
  uint64_t start_ = 0;
  bool fileMode_ = false;
  std::atomic<uint32_t> lastCount_{0};
  std::atomic<uint64_t> rest_{0};
  std::atomic<uint64_t> done_{0};
  StepRing* ring_ = nullptr;
  host::ManualResetEvent* watcher_ = nullptr;
  int percentWatched_ = -1;
};
