// TOperationThread: runs one operation that the operation dialog has set up,
// on a thread of its own: writing a volume onto a DVD-R writer (with an
// optional test write before and verify after), verifying a written disc,
// writing and verifying a test pattern, or copying and verifying between
// devices and image files.
//
// It drives the writer's medium (load, lock, unlock, eject), its preparation
// (SetWritingConfig) and leadout (FinishWrite), runs the data passes (WriteCore
// and VerifyCore, two workers handing over two 64 KiB buffers) and tells its
// dialog about progress and the result through notifications that run on the
// GUI thread while it waits. Cancel is the thread's terminate request, set by
// the dialog and polled by every loop.
//
// Operation codes: bits 01h verify, 02h real write, 04h test write, 08h copy,
// 80h destination is a DVD-R writer (write family).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "host/os/Thread.h"
#include "transfer/OperationDialog.h"

class SCSIDEV;
class TWorkThread;

class TOperationThread : public host::Thread {
 public:
  static constexpr uint32_t kHalf = 65536;
  static constexpr uint32_t kAreaBytes = 2 * kHalf;

  // Pattern write on writer; the code gets the writer bit 80h.
  TOperationThread(OperationDialog& dialog, SCSIDEV& writer, uint16_t code, uint32_t writeSectors);
  // Device to device, device to file, file to device, file to file.
  TOperationThread(OperationDialog& dialog, SCSIDEV& source, uint16_t code, uint64_t sourceStart,
                   uint64_t volumeSize, std::string volumeName, SCSIDEV& destination);
  TOperationThread(OperationDialog& dialog, SCSIDEV& source, uint16_t code, uint64_t sourceStart,
                   uint64_t volumeSize, std::string volumeName, std::string destinationFile);
  TOperationThread(OperationDialog& dialog, std::string sourceFile, uint16_t code, uint64_t sourceStart,
                   uint64_t volumeSize, std::string volumeName, SCSIDEV& destination);
  TOperationThread(OperationDialog& dialog, std::string sourceFile, uint16_t code, uint64_t sourceStart,
                   uint64_t volumeSize, std::string volumeName, std::string destinationFile);
  ~TOperationThread() override;

  // running := true, succeeded := true, error shown and close at end :=
  // false, percent := 0; then the thread runs.
  void Start();

  // The operations and their steps; each runs on the operation thread.
  bool NormalWrite();
  bool WriteSequence();
  bool WritePass(bool sourceIsFile, const std::string& sourceFile, uint64_t volumeSize, SCSIDEV& writer,
                 uint64_t sourceStart, SCSIDEV* sourceDevice);
  bool CopySingleMode();
  bool PatternWrite();
  bool PatternPass(SCSIDEV& writer, uint32_t sectors);
  bool PatternVerify(SCSIDEV& writer, uint32_t sectors);

  // The data passes: source side (file or device from sourceStart) to the
  // destination side (file or device from destinationStart). total and base
  // only scale the percent. Both return true after a cancel, with Canceled().
  bool WriteCore(bool sourceIsFile, const std::string& sourceFile, uint64_t total, uint64_t base, uint64_t size,
                 uint64_t destinationStart, SCSIDEV* destinationDevice, const std::string& destinationFile,
                 bool destinationIsFile, uint64_t sourceStart, SCSIDEV* sourceDevice);
  bool VerifyCore(bool sourceIsFile, const std::string& sourceFile, uint64_t total, uint64_t base, uint64_t size,
                  uint64_t destinationStart, SCSIDEV* destinationDevice, const std::string& destinationFile,
                  bool destinationIsFile, uint64_t sourceStart, SCSIDEV* sourceDevice);

  // The pattern sector at lba: 512 big-endian words lba, lba + 1, ...
  static void BuildPatternSectors(uint8_t* area, uint32_t firstLba, uint32_t sectorCount);

  bool Running() const { return running_.load(); }
  bool Canceled() const { return canceled_; }
  bool Succeeded() const { return succeeded_; }
  bool CloseAtEnd() const { return closeAtEnd_; }
  int WriteMode() const { return writeMode_; }
  uint64_t VolumeSize() const { return volumeSize_; }
  uint32_t PatternSectors() const { return patternSectors_; }
  uint16_t OperationCode() const { return code_; }
  const std::string& VolumeName() const { return volumeName_; }

 protected:
  void Execute() override;

 private:
  TOperationThread(OperationDialog& dialog, uint16_t code);

  // Notifications: run on the GUI thread while this thread waits.
  void NotifyProgress();
  void NotifyOperationError();
  void NotifyAskWriteMode();
  void NotifyResult();
  // Shows the step failure box ("Writing failed." ...).
  static void StepFailedBox(const char* text);

  // Sets do test / write / verify from the code, logging each one set.
  void TakeSteps();
  // Load, start and lock the medium; logs failText when the lock fails.
  void LockMedium(SCSIDEV& writer, const char* failText);
  // The twelve seconds before a write; true when canceled during them (the
  // disc is then unlocked and ejected).
  bool PauseBeforeWrite(SCSIDEV& writer);
  // Stop, unlock and eject; logs failText when the eject fails.
  void UnlockAndEject(SCSIDEV& writer, const char* failText);
  // The readiness check of a write on the writer: TEST UNIT READY, a second,
  // the size, and its sense. False when the operation must end (it has
  // shown its message); size gets the free size or capacity.
  bool CheckWriter(SCSIDEV& writer, bool capacity, const char* notReadyLog, uint64_t& size);
  // Shows the percent when the whole percent has grown; true at 100.
  bool UpdatePercent(uint64_t done, uint64_t total);
  // Stops a worker, polls until it has left its loop, frees it.
  static void EndWorker(std::unique_ptr<TWorkThread>& worker);
  uint8_t* BufferA() { return buffer_.data(); }
  uint8_t* BufferB() { return buffer_.data() + kHalf; }

  OperationDialog& dialog_;
  alignas(64) std::array<uint8_t, kAreaBytes> buffer_{};
  uint16_t code_ = 0;
  std::atomic<bool> running_{false};
  bool canceled_ = false;
  bool succeeded_ = false;
  bool errorShown_ = false;
  uint8_t testFlag_ = 0;
  bool patternMode_ = false;
  bool doTest_ = false, doWrite_ = false, doCopy_ = false, doVerify_ = false;
  bool closeAtEnd_ = false;
  uint32_t writeModeChoice_ = 0;
  int writeMode_ = 0;
  int phase_ = 0;
  std::string sourceFile_, destinationFile_;
  SCSIDEV* sourceDevice_ = nullptr;
  SCSIDEV* destinationDevice_ = nullptr;
  uint32_t patternSectors_ = 0;
  uint64_t volumeSize_ = 0;
  uint64_t sourceStart_ = 0;
  bool sourceIsFile_ = false, destinationIsFile_ = false;
  int percent_ = 0;
  std::string errorText_;
  std::string volumeName_;
};
