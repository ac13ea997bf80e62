// TWorkThread: one worker of a data pass. A TReadThread reads the volume from
// a source, a TWriteThread writes it to a destination; each works on a SCSI
// device (by logical block address) or on an image file (by byte position),
// 65,536 bytes per step, into or out of one of two buffers that belong to the
// operation thread.
//
// Hand-over protocol (manual-reset events, created by the pass driver):
// - the pass driver resets and sets startA/startB; the worker only waits on
//   them ("work on buffer A / B now");
// - the worker resets and sets doneA/doneB ("buffer A / B is done"): after a
//   step on A it resets doneB and sets doneA, and the other way round;
// - Stop() sets all four, so that nobody waits any longer, and asks the
//   worker to terminate.
// running, error, rest and lastCount are written by the worker and read by the
// pass driver after it has waited on a done event (running: by polling).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "host/os/Event.h"
#include "host/os/Thread.h"
#include "base/CFILE.h"

class SCSIDEV;

// The events of one worker for one pass.
struct WorkerEvents {
  host::ManualResetEvent startA, startB, doneA, doneB;
};

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
  // Releases every waiter of this worker's events and asks it to terminate.
  void Stop();
  // Reports the worker's failure: file write error -> "Destination disk is
  // going to full." when at most one chunk is left free on the disk; other
  // file errors (a write past a file size limit among them) -> the file's
  // ErrorText; device -> the device's ReportError.
  void ReportWorkerError(bool showBox, bool force);

  // Wiring, set by the pass driver before Start.
  void SetBuffers(uint8_t* a, uint8_t* b) {
    bufferA_ = a;
    bufferB_ = b;
  }
  // The bytes of a step, which is also the size of each buffer.
  void SetChunk(uint32_t chunk) { chunk_ = chunk; }
  uint32_t Chunk() const { return chunk_; }
  void SetEvents(WorkerEvents* events) { events_ = events; }

  bool Running() const { return running_.load(); }
  bool Error() const { return error_.load(); }
  uint64_t Rest() const { return rest_.load(); }
  uint32_t LastCount() const { return lastCount_.load(); }
  // Bytes the worker moves in its pass.
  uint64_t Size() const { return size_; }
  bool FileMode() const { return fileMode_; }
  CFILE& File() { return file_; }
  const CFILE& File() const { return file_; }

 protected:
  TWorkThread(SCSIDEV* device, uint64_t start, uint64_t size);
  TWorkThread(uint64_t start, uint64_t size);

  // The worker loop shared by both classes: position, then steps on A and B
  // until the data are moved, a step fails or the worker is stopped.
  void RunLoop(bool reader, const StepLines& lines);
  virtual bool Position() = 0;
  // One transfer of count bytes into or out of buffer; false on failure.
  // moved gets the bytes actually moved (a file read ends early at the end
  // of the file).
  virtual bool Transfer(uint8_t* buffer, uint32_t count, uint32_t& moved) = 0;

  void SetError() { error_.store(true); }
  // For the destructors: a worker still waiting for a buffer is stopped
  // first, so that freeing it never hangs; then the thread is joined.
  void Join();
  SCSIDEV* Device() const { return device_; }
  uint64_t StartPosition() const { return start_; }

 private:
  // One step; false when the loop ends after it.
  bool Step(bool reader, bool stepA, const StepLines& lines);
  void LogRest(const char* format);

  std::atomic<bool> running_{false};
  std::atomic<bool> error_{false};
  CFILE file_;
  SCSIDEV* device_ = nullptr;
  uint64_t size_ = 0;
  uint64_t start_ = 0;
  bool fileMode_ = false;
  uint8_t* bufferA_ = nullptr;
  uint8_t* bufferB_ = nullptr;
  uint32_t chunk_ = kChunk;
  std::atomic<uint32_t> lastCount_{0};
  std::atomic<uint64_t> rest_{0};
  WorkerEvents* events_ = nullptr;
};
