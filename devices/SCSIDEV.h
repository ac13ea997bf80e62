// SPDX-License-Identifier: GPL-3.0-or-later
// SCSIDEV: one SCSI device at one address (host adapter, target id, LUN), the
// base of every device class the program drives. It owns its request channel
// and sends every command through the command functions of scsi/Commands.h
// with its own address. On top of them it reads and writes in pieces of at
// most 32 KiB with bounded retries, reports capacity and free space, finishes
// a write, starts and stops the unit, moves firmware buffers and writes the
// "[Error Information]" reports that the log and the error boxes show.
//
// Contract for subclasses (the virtual operations, slots 0-10 in this order):
// - Read/Write(buffer, byteCount): move byteCount bytes at the current
//   address and advance it; the buffer must hold byteCount raised to a whole
//   block (Write zero-fills that tail in place, Read clears it after the read).
// - Read/Write(address, ...): SetAddress, then the form above.
// - SetWritingConfig(sectorCount, testWrite, writeMode): prepare a write of
//   sectorCount 2048-byte sectors; testWrite 1 = test write. false: not started.
// - GetCapacity/GetFreeSize: bytes, 0 on any failure.
// - FinishWrite: true when the device accepted the end of the write.
// - LogSense/VendorRead/VendorWrite: the request channel's status.
// A device object is used by one thread at a time.
#pragma once

#include <optional>
#include <memory>
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "devices/InquiryData.h"
#include "host/aspi/ScsiVocabulary.h"
#include "scsi/ASPI32.h"
#include "scsi/Requests.h"

class SCSIDEV {
 public:
  static constexpr uint32_t kPieceBytes = 32768;  // the most one command moves
  // The largest logical block the program carries: one piece. SetDevice
  // refuses a drive that reports larger blocks, so that a read of a few
  // bytes never becomes one huge block.
  static constexpr uint32_t kLargestBlock = kPieceBytes;
  static constexpr int kRetryCount = 10;
  static constexpr uint8_t kUnsetAddress = aspi::ScsiAddress::kUnset;

  // The unset device: no INQUIRY answers at 255/255/255, so it keeps type 31.
  SCSIDEV();
  SCSIDEV(uint8_t ha, uint8_t id, uint8_t lun);
  virtual ~SCSIDEV();
  SCSIDEV(const SCSIDEV&) = delete;
  SCSIDEV& operator=(const SCSIDEV&) = delete;

  // Slots 0-10.
  virtual bool Read(void* buffer, uint32_t byteCount);
  virtual bool Read(uint32_t address, void* buffer, uint32_t byteCount);
  virtual bool Write(void* buffer, uint32_t byteCount);
  virtual bool Write(uint32_t address, void* buffer, uint32_t byteCount);
  virtual bool SetWritingConfig(uint32_t sectorCount, int testWrite, int writeMode);
  virtual uint64_t GetCapacity();
  virtual uint64_t GetFreeSize();
  virtual bool FinishWrite();
  virtual int LogSense(uint8_t pageCode, void* buffer, uint16_t length);
  virtual int VendorRead(void* buffer, uint16_t length);
  virtual int VendorWrite(const void* buffer, uint16_t length);

  // Beyond the slots: why the disc in the drive cannot take a write (a test
  // write when testWrite) that is about to start, as a message for the
  // person; empty when it can. The maker's classes leave the decision to
  // their own configuration steps and always return empty.
  virtual std::string MediumRefusal(bool testWrite);

  // Sends INQUIRY to (ha, id, lun) and takes its identity; false when nothing
  // answers there (status 0x81, 0x82 or 0x16). The address is kept either way.
  bool Attach(uint8_t ha, uint8_t id, uint8_t lun);
  uint8_t GetDeviceType() const { return deviceType_; }
  bool IsAssigned() const;
  bool IsUnassigned() const { return !IsAssigned(); }
  // TEST UNIT READY every 100 ms until the drive is ready (or has no medium).
  bool WaitReady(uint32_t milliseconds);
  bool WaitNoMedium(uint32_t milliseconds);
  // READ CAPACITY into the geometry fields; false (geometry cleared) otherwise.
  // A block length above kLargestBlock is refused: logged with the device
  // and the length, kept in GeometryRefusal() and given by the next report.
  bool SetDevice();
  const std::string& GeometryRefusal() const { return geometryRefusal_; }
  // A Read or Write of byteCount bytes moves byteCount raised to whole
  // blocks through its buffer: true when that fits bufferBytes. Reads the
  // geometry when it is not known yet; a transfer that would not fit is
  // logged and refused, never sent.
  bool FitsBuffer(uint32_t byteCount, uint64_t bufferBytes);
  // Copies vendor, product and revision into whichever areas are given (of
  // 10, 18 and 6 bytes, zeroed first); returns the device name.
  const char* GetDeviceName(char* vendor, char* product, char* revision) const;
  uint32_t GetAddress() const { return address_; }
  void SetAddress(uint32_t address) { address_ = address; }

  // Sense of the last command: true when key, ASC and ASCQ are all 0. Records
  // result and bytes; with text, the decoded message also becomes the last
  // error text.
  bool GetSense(uint8_t* key = nullptr, uint8_t* asc = nullptr, uint8_t* ascq = nullptr,
                std::string* text = nullptr);
  // 144 bytes of raw sense; true when sense byte 2 is 0.
  bool CopySenseData(uint8_t* buffer) const;
  // Logs "%X-%02X-%02X: %s" for the last command.
  void LogSenseLine();
  // Writes the "[Error Information]" report of the last command to the log
  // (and a box when showBox) unless its sense key is 0 and force is false.
  // text (optional) receives the last error text.
  void ReportError(std::string* text, bool showBox, bool force);

  bool StartStopUnit(uint8_t start, uint8_t powerCondition = 0);
  bool ReadBuffer(uint8_t mode, uint8_t bufferId, uint32_t offset, void* data, uint32_t length);
  bool WriteBuffer(uint8_t mode, uint8_t bufferId, uint32_t offset, const void* data, uint32_t length);
  bool ReadRZoneInformation(scsi::DiscInformationRequest& request);

  // The commands with this device's address; each returns the channel status.
  int TestUnitReady();
  int Inquiry(INQUIRYDATA& data);
  int Read6(bool fixed, uint32_t transferLength, void* buffer);
  int SendStartStopUnit(uint8_t start, uint8_t powerCondition);
  int PreventAllowMediumRemoval(uint8_t prevent);
  int ReadCapacity(void* buffer);
  int Read10(uint32_t lba, uint16_t blocks, void* buffer, uint32_t byteCount);
  int Write10(uint32_t lba, uint16_t blocks, const void* buffer, uint32_t byteCount);
  int Read12(uint32_t lba, uint32_t blocks, void* buffer, uint32_t byteCount);
  int Write12(uint32_t lba, uint32_t blocks, const void* buffer, uint32_t byteCount);
  int SynchronizeCache(bool immediate);
  int SendWriteBuffer(uint8_t mode, uint8_t bufferId, uint32_t offset, const void* data, uint32_t length);
  int SendReadBuffer(uint8_t mode, uint8_t bufferId, uint32_t offset, void* data, uint32_t length);
  int ReadDiscInformation(scsi::DiscInformationRequest& request);
  int ReadTrackRZoneInformation(scsi::RZoneRequest& request);
  int ReserveRZone(uint32_t reservationSize);
  int ModeSelect10(const void* parameterList, uint16_t listLength);
  int ModeSense10(uint8_t pageCode, void* buffer);
  int Blank(bool immediate, uint8_t type, uint32_t startAddress);
  int SendDvdStructure(uint8_t formatCode, const void* parameterList);
  int SendDvdStructure(const scsi::DvdStructureRecord& record);
  int GetConfiguration(uint8_t requestType, uint16_t startFeature, void* buffer, uint16_t length);
  int ReadDvdStructure(uint8_t format, void* buffer, uint16_t length);
  int CloseTrackSession(bool immediate, uint8_t function, uint16_t number);
  int VendorCdrConfig(uint8_t w, uint8_t x, uint16_t y, uint8_t z);
  int VendorControl(uint8_t value, bool flag);

  // Fields other layers read.
  uint8_t HostAdapter() const { return ha_; }
  uint8_t TargetId() const { return id_; }
  uint8_t Lun() const { return lun_; }
  aspi::ScsiAddress Address() const { return {ha_, id_, lun_}; }
  int32_t ClassCode() const { return classCode_; }
  int32_t LastSector2K() const { return lastSector2K_; }
  uint64_t TransferredBytes() const { return transferred_; }
  uint32_t LastLba() const { return lastLba_; }
  uint32_t BlockSize() const { return blockSize_; }
  uint16_t BlocksPerTransfer() const { return blocksPerTransfer_; }
  int RetryCount() const { return retryCount_; }
  int32_t FirmwareRevision() const { return firmwareRevision_; }
  const char* Vendor() const { return vendor_.data(); }
  const char* Product() const { return product_.data(); }
  const char* Revision() const { return revision_.data(); }
  const char* DeviceName() const { return deviceName_.data(); }
  int32_t LastResult() const { return lastResult_; }
  uint8_t LastSenseKey() const { return lastKey_; }
  uint8_t LastAsc() const { return lastAsc_; }
  uint8_t LastAscq() const { return lastAscq_; }
  const std::string& LastErrorText() const { return lastErrorText_; }
  ASPI32& Channel() { return channel_; }

 protected:
  // Set by the subclass constructors after Attach.
  void SetIdentity(uint8_t deviceType, int32_t classCode) {
    deviceType_ = deviceType;
    classCode_ = classCode;
  }
  void SetRetryCount(int count) { retryCount_ = count; }
  // Block size, last LBA and blocks per transfer := 0.
  void ClearGeometry();
  // Block size and blocks per transfer are known, or SetDevice gets them.
  bool HaveGeometry();
  // HaveGeometry for the writer classes: when it fails, "Error in
  // SetDevice()" and a report with a box.
  bool GeometryOrReport();
  // Bytes of the next piece: whole blocks, at most blocks per transfer.
  uint32_t PieceBytes(uint64_t remaining) const;
  void Advance(uint32_t blocks, uint32_t bytes);
  // The same report without a box / with one, not forced.
  void Report() { ReportError(nullptr, false, false); }
  void ReportWithBox() { ReportError(nullptr, true, false); }
  // A failed configuration step, reported with a box; forced, so that a
  // command that was not answered at all is explained too.
  void ReportConfigFailure() { ReportError(nullptr, true, true); }
  // TEST UNIT READY, MODE SENSE(10) of the write parameters page into a
  // zeroed area, build (a list of scsi/ParameterLists.h) and MODE SELECT(10),
  // logging beginLine and doneLine; failures are reported with a box.
  using WriteParameterBuilder = uint16_t (*)(std::span<uint8_t, 2048>, bool);
  bool SelectWriteParameters(const char* beginLine, const char* doneLine, WriteParameterBuilder build,
                             bool testWrite);
  // A configuration step went through: clean sense after a completed command,
  // or unit attention (key 6), which only tells of an earlier change.
  static bool ConfigAccepted(int status, uint8_t key);

  // The piece loop of Read and Write: total bytes (whole blocks) at the
  // current address, each piece retried up to the retry count with the given
  // retry ("... - Retry %d/%d") and failure lines between and after attempts.
  enum class PieceCommand { Read10, Read12, Write10 };
  // WRITE(10) pieces of a disc-at-once write (total bytes, whole blocks) at
  // firstLba + the current address. Only attempts that failed without sense
  // data are retried (retry line between); any reported sense ends the write
  // (failedWithSense, or failedOther when the request itself failed, each
  // followed by "transBytes: %d, transBlocks: %d" and a report), since
  // writing on would leave a hole. With busyWaitMs, a drive that answers
  // "long write in progress" (its buffer is full) is asked again after a
  // short pause, for that long in all.
  struct StrictWriteLines {
    const char* retry;
    const char* failedWithSense;
    const char* failedOther;
  };
  bool WritePiecesStrict(uint8_t* buffer, uint64_t total, uint32_t firstLba, const StrictWriteLines& lines,
                         uint32_t busyWaitMs);
  // Write(buffer, byteCount) of the disc-at-once writers: the geometry read
  // when missing ("Error in SetDevice()" and a report with a box when it
  // cannot be), the tail of the last block zero-filled, then the pieces.
  bool WriteStrict(void* buffer, uint32_t byteCount, uint32_t firstLba, const StrictWriteLines& lines,
                   uint32_t busyWaitMs);
  bool TransferPieces(uint8_t* buffer, uint64_t total, PieceCommand command, const char* retryFormat,
                      const char* failedLine);
  // byteCount raised to whole blocks.
  uint64_t WholeBlocks(uint32_t byteCount) const;

 private:
  void Reset();
  // Sends one command through send(), retrying busy answers of the manager.
  template <typename Send>
  int Sent(Send&& send);
  // One piece at the current address, attempt after attempt; first, when
  // given, is the status of an attempt already made (its sense in channel_).
  bool PieceWithRetries(uint8_t* buffer, uint32_t piece, PieceCommand command, const char* retryFormat,
                        const char* failedLine, std::optional<int> first);
  // Reads pieces with the next one's command sent ahead on a second
  // channel, so that the drive has it in hand when the piece before ends.
  // Moves buffer, total and the address past the pieces read cleanly, and
  // stops at the first that was not (first: that attempt's status, adopted
  // into channel_), or when the manager keeps nothing queued.
  void ReadAhead(uint8_t*& buffer, uint64_t& total, PieceCommand command, std::optional<int>& first);
  int SendPiece(ASPI32& channel, uint32_t lba, uint8_t* buffer, uint32_t piece, PieceCommand command);
  // What the report says when the sense data hold no error.
  std::string NoSenseText() const;

  uint8_t deviceType_ = INQUIRYDATA::kNoDevice;
  uint8_t ha_ = kUnsetAddress, id_ = kUnsetAddress, lun_ = kUnsetAddress;
  int32_t classCode_ = 0;
  uint32_t address_ = 0;
  int32_t lastSector2K_ = 0;
  uint64_t transferred_ = 0;
  uint32_t lastLba_ = 0;
  uint32_t blockSize_ = 0;
  uint16_t blocksPerTransfer_ = 0;
  int retryCount_ = kRetryCount;
  int32_t firmwareRevision_ = 0;
  std::array<char, 9> vendor_{};
  std::array<char, 17> product_{};
  std::array<char, 5> revision_{};
  std::array<char, 30> deviceName_{};
  int32_t lastResult_ = 0;
  uint8_t lastKey_ = 0, lastAsc_ = 0, lastAscq_ = 0;
  std::string lastErrorText_;
  std::string geometryRefusal_;
  int lastStatus_ = 0;     // request status of the last command
  bool lastBusy_ = false;  // the manager turned it away as busy
  ASPI32 channel_;
  std::unique_ptr<ASPI32> ahead_;  // the second channel of ReadAhead, made on first use
  bool sendAhead_ = true;          // false once the manager completed a command sent ahead at once
};
