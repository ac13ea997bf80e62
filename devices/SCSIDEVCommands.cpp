// SPDX-License-Identifier: GPL-3.0-or-later
// SCSIDEV: the command functions of the transport with this device's address.
#include "devices/SCSIDEV.h"

#include "devices/BusyRetry.h"
#include "scsi/Commands.h"

// Every command of the device: a busy answer of the manager is asked again,
// and what the last attempt came to is kept for the error report.
template <typename Send>
int SCSIDEV::Sent(Send&& send) {
  lastStatus_ = RetryWhileBusy(channel_, send, &lastBusy_);
  return lastStatus_;
}

int SCSIDEV::TestUnitReady() { return Sent([&] { return scsi::TestUnitReady(channel_, ha_, id_, lun_); }); }

int SCSIDEV::Inquiry(INQUIRYDATA& data) {
  data.Reset();
  return Sent([&] { return scsi::Inquiry(channel_, ha_, id_, lun_, data.Data()); });
}

int SCSIDEV::Read6(bool fixed, uint32_t transferLength, void* buffer) {
  return Sent([&] { return scsi::Read6(channel_, ha_, id_, lun_, fixed, transferLength, buffer); });
}

int SCSIDEV::SendStartStopUnit(uint8_t start, uint8_t powerCondition) {
  return Sent([&] { return scsi::StartStopUnit(channel_, ha_, id_, lun_, start, powerCondition); });
}

int SCSIDEV::PreventAllowMediumRemoval(uint8_t prevent) {
  return Sent([&] { return scsi::PreventAllowMediumRemoval(channel_, ha_, id_, lun_, prevent); });
}

int SCSIDEV::ReadCapacity(void* buffer) { return Sent([&] { return scsi::ReadCapacity(channel_, ha_, id_, lun_, buffer); }); }

int SCSIDEV::Read10(uint32_t lba, uint16_t blocks, void* buffer, uint32_t byteCount) {
  return Sent([&] { return scsi::Read10(channel_, ha_, id_, lun_, lba, blocks, buffer, byteCount); });
}

int SCSIDEV::Write10(uint32_t lba, uint16_t blocks, const void* buffer, uint32_t byteCount) {
  return Sent([&] { return scsi::Write10(channel_, ha_, id_, lun_, lba, blocks, buffer, byteCount); });
}

int SCSIDEV::Read12(uint32_t lba, uint32_t blocks, void* buffer, uint32_t byteCount) {
  return Sent([&] { return scsi::Read12(channel_, ha_, id_, lun_, lba, blocks, buffer, byteCount); });
}

int SCSIDEV::Write12(uint32_t lba, uint32_t blocks, const void* buffer, uint32_t byteCount) {
  return Sent([&] { return scsi::Write12(channel_, ha_, id_, lun_, lba, blocks, buffer, byteCount); });
}

int SCSIDEV::SynchronizeCache(bool immediate) { return Sent([&] { return scsi::SynchronizeCache(channel_, ha_, id_, lun_, immediate); }); }

int SCSIDEV::SendWriteBuffer(uint8_t mode, uint8_t bufferId, uint32_t offset, const void* data, uint32_t length) {
  return Sent([&] { return scsi::WriteBuffer(channel_, ha_, id_, lun_, mode, bufferId, offset, data, length); });
}

int SCSIDEV::SendReadBuffer(uint8_t mode, uint8_t bufferId, uint32_t offset, void* data, uint32_t length) {
  return Sent([&] { return scsi::ReadBuffer(channel_, ha_, id_, lun_, mode, bufferId, offset, data, length); });
}

int SCSIDEV::ReadDiscInformation(scsi::DiscInformationRequest& request) {
  return Sent([&] { return scsi::ReadDiscInformation(channel_, ha_, id_, lun_, request); });
}

int SCSIDEV::ReadTrackRZoneInformation(scsi::RZoneRequest& request) {
  return Sent([&] { return scsi::ReadTrackRZoneInformation(channel_, ha_, id_, lun_, request); });
}

int SCSIDEV::ReserveRZone(uint32_t reservationSize) {
  return Sent([&] { return scsi::ReserveRZone(channel_, ha_, id_, lun_, reservationSize); });
}

int SCSIDEV::ModeSelect10(const void* parameterList, uint16_t listLength) {
  return Sent([&] { return scsi::ModeSelect10(channel_, ha_, id_, lun_, parameterList, listLength); });
}

int SCSIDEV::ModeSense10(uint8_t pageCode, void* buffer) {
  return Sent([&] { return scsi::ModeSense10(channel_, ha_, id_, lun_, pageCode, buffer); });
}

int SCSIDEV::Blank(bool immediate, uint8_t type, uint32_t startAddress) {
  return Sent([&] { return scsi::Blank(channel_, ha_, id_, lun_, immediate, type, startAddress); });
}

int SCSIDEV::SendDvdStructure(uint8_t formatCode, const void* parameterList) {
  return Sent([&] { return scsi::SendDvdStructure(channel_, ha_, id_, lun_, formatCode, parameterList); });
}

int SCSIDEV::SendDvdStructure(const scsi::DvdStructureRecord& record) {
  return Sent([&] { return scsi::SendDvdStructure(channel_, ha_, id_, lun_, record); });
}

int SCSIDEV::GetConfiguration(uint8_t requestType, uint16_t startFeature, void* buffer, uint16_t length) {
  return scsi::GetConfiguration(channel_, ha_, id_, lun_, requestType, startFeature, buffer, length);
}

int SCSIDEV::ReadDvdStructure(uint8_t format, void* buffer, uint16_t length) {
  return scsi::ReadDvdStructure(channel_, ha_, id_, lun_, format, buffer, length);
}

int SCSIDEV::CloseTrackSession(bool immediate, uint8_t function, uint16_t number) {
  return scsi::CloseTrackSession(channel_, ha_, id_, lun_, immediate, function, number);
}

int SCSIDEV::VendorCdrConfig(uint8_t w, uint8_t x, uint16_t y, uint8_t z) {
  return Sent([&] { return scsi::VendorCdrConfig(channel_, ha_, id_, lun_, w, x, y, z); });
}

int SCSIDEV::VendorControl(uint8_t value, bool flag) {
  return Sent([&] { return scsi::VendorControl(channel_, ha_, id_, lun_, value, flag); });
}

// Slots 8-10: the program's own operations do not call them.
int SCSIDEV::LogSense(uint8_t pageCode, void* buffer, uint16_t length) {
  return Sent([&] { return scsi::LogSense(channel_, ha_, id_, lun_, pageCode, buffer, length); });
}

int SCSIDEV::VendorRead(void* buffer, uint16_t length) {
  return Sent([&] { return scsi::VendorRead10(channel_, ha_, id_, lun_, buffer, length); });
}

int SCSIDEV::VendorWrite(const void* buffer, uint16_t length) {
  return Sent([&] { return scsi::VendorWrite10(channel_, ha_, id_, lun_, buffer, length); });
}
