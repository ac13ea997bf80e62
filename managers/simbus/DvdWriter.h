// SPDX-License-Identifier: GPL-3.0-or-later
// DvdWriter: the DVD-R/RW writers (`qxw7100`, `qxw7200`, `dvdrw-writer`).
//
// A write goes: MODE SELECT of the write parameters page 05h (test-write bit
// 10h), a reservation (RESERVE RZONE, or on a first-generation qxw7100, whose
// revision begins with '0', SEND DVD STRUCTURE format 00h with the end
// sector), the data (WRITE(10) at the next writable address, or WRITE(12)
// appended in order on the first generation), then SYNCHRONIZE CACHE, which
// closes the disc (with the immediate bit the drive answers 02/04/08 while it
// closes). A test write runs on a scratch copy of the disc that is dropped at
// the close or the eject, so the disc stays as it was. BLANK (qxw7200 and
// dvdrw-writer, DVD-RW only) empties the disc, answering 02/04/07 meanwhile
// with the immediate bit. WRITE/READ BUFFER reach the firmware buffers.
#pragma once

#include <memory>

#include "managers/simbus/FirmwareBuffers.h"
#include "managers/simbus/OpticalDrive.h"

namespace simbus {

class DvdWriter : public OpticalDrive {
 public:
  DvdWriter(const DeviceConfig& config, std::string stateDir);
  void OnRescan() override;
  std::string Summary() const override;

 protected:
  const DiscRecord& Disc() const override { return testMode_ ? testDisc_ : record_.disc; }
  std::optional<Sense> Readiness() const override;
  bool ModePage(uint8_t code, std::vector<uint8_t>& page) const override;
  void SelectPage(ScsiCommand& command, const uint8_t* page, uint32_t length) override;
  void OnEject() override;
  void OnTestUnitReady() override;
  void FillInquiry(uint8_t* inquiry) const override;

 protected:
  DiscRecord& Working() { return testMode_ ? testDisc_ : record_.disc; }
  bool TestMode() const { return testMode_; }
  bool CheckWritableDisc(ScsiCommand& command);
  void WriteSectors(ScsiCommand& command, uint32_t lba, uint32_t count);
  // A test write ends: the scratch copy is dropped.
  void DropTestCopy() { testDisc_ = record_.disc; }
  void ReserveRZone(ScsiCommand& command);

 private:
  bool FirstGeneration() const;
  void PowerCycleIfCommitted();
  // Keeps the firmware's mode in the state folder when it changed, so that
  // an update cut off midway finds the drive as it left it.
  void SaveModeIfChanged(FirmwareMode before);

  void SendDvdStructure(ScsiCommand& command);
  void Write10(ScsiCommand& command);
  void Write12(ScsiCommand& command);
  void CloseDisc(ScsiCommand& command);
  void Blank(ScsiCommand& command);
  void WriteBuffer(ScsiCommand& command);
  void ReadBuffer(ScsiCommand& command);

  std::vector<uint8_t> writeParameters_;
  bool testMode_ = false;
  DiscRecord testDisc_;
  std::unique_ptr<FirmwareBuffers> firmware_;
};

}  // namespace simbus
