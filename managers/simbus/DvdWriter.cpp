// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/simbus/DvdWriter.h"

#include <algorithm>

#include "managers/simbus/Bytes.h"

namespace simbus {
namespace {

constexpr uint8_t kWriteParametersPage = 0x05;
constexpr uint8_t kWriteParametersLength = 0x32;
constexpr uint8_t kTestWriteBit = 0x10;
constexpr uint8_t kWriteTypeDiscAtOnce = 0x02;
constexpr uint8_t kStructurePhysical = 0x00;
constexpr uint8_t kStructureCopyright = 0x05;
constexpr uint8_t kStructureTimeStamp = 0x0F;
constexpr uint32_t kPhysicalEndSectorOffset = 14;
constexpr uint8_t kBlankWholeDisc = 0;
constexpr uint8_t kBlankMinimal = 1;

}  // namespace

DvdWriter::DvdWriter(const DeviceConfig& config, std::string stateDir)
    : OpticalDrive(config, std::move(stateDir)), writeParameters_(2 + kWriteParametersLength, 0) {
  static constexpr std::array<Entry<DvdWriter>, 8> kCommands{{
      {op::kReserveRZone, &DvdWriter::ReserveRZone},
      {op::kSendDvdStructure, &DvdWriter::SendDvdStructure},
      {op::kWrite10, &DvdWriter::Write10},
      {op::kWrite12, &DvdWriter::Write12},
      {op::kSynchronizeCache, &DvdWriter::CloseDisc},
      {op::kBlank, &DvdWriter::Blank},
      {op::kWriteBuffer, &DvdWriter::WriteBuffer},
      {op::kReadBuffer, &DvdWriter::ReadBuffer},
  }};
  Install(kCommands);
  writeParameters_[0] = kWriteParametersPage;
  writeParameters_[1] = kWriteParametersLength;
  writeParameters_[2] = kWriteTypeDiscAtOnce;
  writeParameters_[3] = 0x05;  // track mode
  writeParameters_[4] = 0x08;  // data block type: 2048-byte user data
  firmware_ = MakeFirmwareBuffers(config.model->firmware);
  if (firmware_) {
    auto kept = FirmwareModeNamed(record_.firmwareMode);
    firmware_->Resume(kept.value_or(config.firmwareMode));
  }
  testDisc_ = record_.disc;
}

bool DvdWriter::FirstGeneration() const {
  return config_.model->generationByRevision && !revision_.empty() && revision_[0] == '0';
}

std::string DvdWriter::Summary() const {
  std::string text = OpticalDrive::Summary();
  if (firmware_ && firmware_->Mode() != FirmwareMode::Normal)
    text += std::string(", ") + FirmwareModeName(firmware_->Mode()) + " mode";
  if (firmware_ && firmware_->HasCommitted()) text += ", firmware update waiting for a power cycle";
  return text;
}

std::optional<Sense> DvdWriter::Readiness() const {
  if (auto busy = BusySense()) return busy;  // closing, blanking, restarting
  return OpticalDrive::Readiness();
}

void DvdWriter::FillInquiry(uint8_t* inquiry) const {
  OpticalDrive::FillInquiry(inquiry);
  if (config_.model->firmware == FirmwareKind::SysMec) PutPaddedText(inquiry + 48, 4, mecha_);
  if (firmware_ && firmware_->ModeCharacter() != 0) inquiry[32] = static_cast<uint8_t>(firmware_->ModeCharacter());
}

bool DvdWriter::ModePage(uint8_t code, std::vector<uint8_t>& page) const {
  if (code != kWriteParametersPage) return OpticalDrive::ModePage(code, page);
  page.insert(page.end(), writeParameters_.begin(), writeParameters_.end());
  return true;
}

void DvdWriter::SelectPage(ScsiCommand& command, const uint8_t* page, uint32_t length) {
  if ((page[0] & 0x3F) != kWriteParametersPage) {
    OpticalDrive::SelectPage(command, page, length);
    return;
  }
  uint32_t count = std::min<uint32_t>(length, static_cast<uint32_t>(writeParameters_.size()));
  std::copy(page + 2, page + count, writeParameters_.begin() + 2);
  bool test = writeParameters_[2] & kTestWriteBit;
  if (test != testMode_) {
    testMode_ = test;
    testDisc_ = record_.disc;  // a test session starts from the disc as it is
  }
}

void DvdWriter::OnEject() { testDisc_ = record_.disc; }

void DvdWriter::OnTestUnitReady() {
  OpticalDrive::OnTestUnitReady();
  PowerCycleIfCommitted();
}

void DvdWriter::OnRescan() { PowerCycleIfCommitted(); }

void DvdWriter::SaveModeIfChanged(FirmwareMode before) {
  FirmwareMode now = firmware_->Mode();
  if (now == before) return;
  record_.firmwareMode = now == config_.firmwareMode ? "" : FirmwareModeName(now);
  SaveRecord();
}

void DvdWriter::PowerCycleIfCommitted() {
  if (!firmware_ || !firmware_->HasCommitted()) return;
  NewFirmware next = firmware_->PowerCycle();
  record_.firmwareMode = firmware_->Mode() == config_.firmwareMode ? "" : FirmwareModeName(firmware_->Mode());
  if (!next.revision.empty()) revision_ = next.revision;
  if (!next.mecha.empty()) mecha_ = next.mecha;
  prevented_ = false;
  testMode_ = false;
  writeParameters_[2] = kWriteTypeDiscAtOnce;
  testDisc_ = record_.disc;
  SaveRecord();
  BecomeBusy(kNotReadyBecomingReady, config_.timing.powerCycleMs);
}

bool DvdWriter::CheckWritableDisc(ScsiCommand& command) {
  if (!NeedReady(command)) return false;
  if (!Recordable() || Working().status == DiscStatus::Closed) {
    command.Fail(kCannotWriteMedium);
    return false;
  }
  return true;
}

void DvdWriter::ReserveRZone(ScsiCommand& command) {
  if (FirstGeneration()) {
    InvalidOperation(command);
    return;
  }
  if (!CheckWritableDisc(command)) return;
  DiscRecord& disc = Working();
  if (disc.status != DiscStatus::Blank) {
    command.Fail(kNoMoreRZoneReservation);
    return;
  }
  const uint32_t size = GetBE32(command.cdb + 5);
  if (size == 0 || size > disc.sectors) {
    command.Fail(kInvalidFieldInCdb);
    return;
  }
  disc.status = DiscStatus::Appendable;
  disc.reserved = size;
  disc.written = disc.recorded = 0;
  if (!testMode_) SaveRecord();
}

void DvdWriter::SendDvdStructure(ScsiCommand& command) {
  const uint8_t format = command.cdb[7];
  const uint32_t length = GetBE16(command.cdb + 8);
  if (!NeedReady(command)) return;
  const bool known = FirstGeneration() ? format == kStructurePhysical
                                       : (format == kStructureCopyright || format == kStructureTimeStamp);
  if (!known) {
    command.Fail(kInvalidFieldInCdb);
    return;
  }
  if (!command.HasOutData(length)) return;
  if (length < 4 || GetBE16(command.data) + 2u != length) {
    command.Fail(kParameterListLengthError);
    return;
  }
  if (format != kStructurePhysical) return;  // copyright and time stamp are only kept by real discs
  if (length < kPhysicalEndSectorOffset + 4) {
    command.Fail(kParameterListLengthError);
    return;
  }
  if (!CheckWritableDisc(command)) return;
  DiscRecord& disc = Working();
  if (disc.status != DiscStatus::Blank) {
    command.Fail(kNoMoreRZoneReservation);
    return;
  }
  const uint32_t end = GetBE32(command.data + kPhysicalEndSectorOffset);
  if (end == 0) {
    command.Fail(kInvalidFieldInParameterList);
    return;
  }
  disc.status = DiscStatus::Appendable;
  disc.reserved = std::min(end, disc.sectors);  // the end sector is rounded up past the disc's end
  disc.written = disc.recorded = 0;
  if (!testMode_) SaveRecord();
}

void DvdWriter::Write10(ScsiCommand& command) {
  if (FirstGeneration()) {
    InvalidOperation(command);
    return;
  }
  WriteSectors(command, GetBE32(command.cdb + 2), GetBE16(command.cdb + 7));
}

void DvdWriter::Write12(ScsiCommand& command) {
  // The first generation appends in order whatever the address field says.
  uint32_t lba = FirstGeneration() ? Working().written : GetBE32(command.cdb + 2);
  WriteSectors(command, lba, GetBE32(command.cdb + 6));
}

void DvdWriter::WriteSectors(ScsiCommand& command, uint32_t lba, uint32_t count) {
  if (!CheckWritableDisc(command) || count == 0) return;
  DiscRecord& disc = Working();
  if (disc.status != DiscStatus::Appendable || disc.reserved == 0) {
    command.Fail(kCommandSequenceError);
    return;
  }
  if (lba != disc.written) {
    command.Fail(kInvalidAddressForWrite);
    command.vendorByte21 = kVendorInvalidAddress;
    return;
  }
  if (uint64_t{lba} + count > disc.reserved) {
    command.Fail(kLbaOutOfRange);
    return;
  }
  const uint64_t bytes = uint64_t{count} * kSectorSize;
  if (bytes > 0xFFFFFFFFull || !command.HasOutData(static_cast<uint32_t>(bytes))) {
    if (!command.failed) command.Fail(kInvalidFieldInCdb);
    return;
  }
  if (!testMode_ && !data_.WriteAt(uint64_t{lba} * kSectorSize, command.data, static_cast<uint32_t>(bytes))) {
    command.Fail(kWriteError);
    return;
  }
  disc.written += count;
  if (!testMode_) disc.recorded = disc.written;
  PaceTransfer(command, bytes);
}

void DvdWriter::CloseDisc(ScsiCommand& command) {
  if (!NeedReady(command)) return;
  DiscRecord& disc = Working();
  if (!Recordable() || disc.status != DiscStatus::Appendable || disc.written == 0) return;  // nothing to close
  if (testMode_) {
    testDisc_ = record_.disc;  // a test write records nothing
  } else {
    disc.status = DiscStatus::Closed;
    // The rest of a reserved RZone is padded; the first generation ends where it stopped.
    disc.recorded = FirstGeneration() ? disc.written : disc.reserved;
    data_.Flush();
    SaveRecord();
  }
  if (command.cdb[1] & 0x02)
    BecomeBusy(kNotReadyLongWriteInProgress, config_.timing.closeMs);
  else
    command.Pause(config_.timing.closeMs);
}

void DvdWriter::Blank(ScsiCommand& command) {
  if (!config_.model->canBlank) {
    InvalidOperation(command);
    return;
  }
  if (!NeedReady(command)) return;
  const uint8_t type = command.cdb[1] & 0x07;
  if (type != kBlankWholeDisc && type != kBlankMinimal) {
    command.Fail(kInvalidFieldInCdb);
    return;
  }
  if (record_.disc.kind != MediumKind::DvdRw) {
    command.Fail(kIllegalModeForTrack);
    return;
  }
  record_.disc = DiscRecord{MediumKind::DvdRw, record_.disc.sectors, DiscStatus::Blank, 0, 0, 0, {}};
  testDisc_ = record_.disc;
  data_.Resize(0);
  SaveRecord();
  if (command.cdb[1] & 0x10)
    BecomeBusy(kNotReadyOperationInProgress, config_.timing.blankMs);
  else
    command.Pause(config_.timing.blankMs);
}

void DvdWriter::WriteBuffer(ScsiCommand& command) {
  if (!firmware_) {
    InvalidOperation(command);
    return;
  }
  FirmwareMode before = firmware_->Mode();
  firmware_->Write(command);
  SaveModeIfChanged(before);
}

void DvdWriter::ReadBuffer(ScsiCommand& command) {
  if (!firmware_) {
    InvalidOperation(command);
    return;
  }
  firmware_->Read(command);
}

}  // namespace simbus
