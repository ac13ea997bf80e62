// SPDX-License-Identifier: GPL-3.0-or-later
// SCSIDEV: construction, identity, sense and error reports.
#include "devices/SCSIDEV.h"

#include <cstdio>
#include <cstring>

#include "base/Log.h"
#include "host/aspi/ScsiVocabulary.h"
#include "host/ui/MessageBox.h"
#include "scsi/CommandNames.h"
#include "base/TextFormat.h"

namespace sense = aspi::sense;

namespace {

// Statuses that mean nothing answers at the address (no device, invalid
// adapter, and 0x16, which the device scan treats the same way).
bool NothingThere(int status) {
  return status == aspi::SS_NO_DEVICE || status == aspi::SS_INVALID_HA || status == 0x16;
}

template <size_t N>
void CopyText(std::array<char, N>& area, const uint8_t* field, size_t length) {
  area.fill('\0');
  std::memcpy(area.data(), field, length < N - 1 ? length : N - 1);
}

void CopyArea(char* area, size_t size, const char* text) {
  if (area == nullptr) return;
  std::memset(area, 0, size);
  std::strncpy(area, text, size - 1);
}

constexpr char kMediumNotPresentReport[] =
    "[Error Information]\r\nSCSI Address: %d,%d,%d\r\nDevice: %s\r\nMedium not present.\r\n\r\n";
constexpr char kRefusedGeometryReport[] =
    "[Error Information]\r\nSCSI Address: %d,%d,%d\r\nDevice: %s\r\n%s\r\n\r\n";
constexpr char kTapeReport[] =
    "[Error Information]\r\nSCSI Address: %d,%d,%d\r\nDevice: %s\r\nCommand: %s\r\n"
    "CurrentPoint: %08X-%08X\r\nError Code: %X-%02X-%02X\r\n%s\r\n\r\n";
constexpr char kDiscReport[] =
    "[Error Information]\r\nSCSI Address: %d,%d,%d\r\nDevice: %s\r\nCommand: %s\r\n"
    "Address: %08XH\r\nError Code: %X-%02X-%02X\r\n%s\r\n\r\n";

}  // namespace

SCSIDEV::SCSIDEV() : SCSIDEV(kUnsetAddress, kUnsetAddress, kUnsetAddress) {}

SCSIDEV::SCSIDEV(uint8_t ha, uint8_t id, uint8_t lun) {
  lastErrorText_.clear();
  Attach(ha, id, lun);
}

SCSIDEV::~SCSIDEV() = default;

void SCSIDEV::Reset() {
  deviceType_ = INQUIRYDATA::kNoDevice;
  ha_ = id_ = lun_ = kUnsetAddress;
  blocksPerTransfer_ = 0;
  lastSector2K_ = 0;
  address_ = 0;
  vendor_.fill('\0');
  product_.fill('\0');
  revision_.fill('\0');
  deviceName_.fill('\0');
  retryCount_ = kRetryCount;
}

bool SCSIDEV::Attach(uint8_t ha, uint8_t id, uint8_t lun) {
  Reset();
  ha_ = ha;
  id_ = id;
  lun_ = lun;
  INQUIRYDATA data;
  int status = Inquiry(data);
  if (NothingThere(status)) return false;

  deviceType_ = data.DeviceType();
  CopyText(vendor_, data.Data() + INQUIRYDATA::kVendorOffset, INQUIRYDATA::kVendorLength);
  CopyText(product_, data.Data() + INQUIRYDATA::kProductOffset, INQUIRYDATA::kProductLength);
  CopyText(revision_, data.Data() + INQUIRYDATA::kRevisionOffset, INQUIRYDATA::kRevisionLength);
  std::snprintf(deviceName_.data(), deviceName_.size(), "%s%s%s", vendor_.data(), product_.data(),
                revision_.data());
  const uint8_t* rev = data.Data() + INQUIRYDATA::kRevisionOffset;
  firmwareRevision_ = static_cast<int32_t>(static_cast<uint32_t>(rev[0]) << 24 | static_cast<uint32_t>(rev[1]) << 16 |
                                           static_cast<uint32_t>(rev[2]) << 8 | rev[3]);

  // Exact comparison: only the maker's own spelling carries the version.
  if (std::memcmp(vendor_.data(), "HALVERN", 7) == 0 && std::memcmp(product_.data(), "DVD-R QXW-7100", 14) == 0) {
    const uint8_t* mecha = data.Data() + INQUIRYDATA::kMechaOffset;
    AddLog(FormatText("Mecha con version: %c%c%c%c", mecha[0], mecha[1], mecha[2], mecha[3]));
  }
  return true;
}

bool SCSIDEV::IsAssigned() const {
  return !(deviceType_ == INQUIRYDATA::kNoDevice && ha_ == kUnsetAddress && id_ == kUnsetAddress &&
           lun_ == kUnsetAddress);
}

const char* SCSIDEV::GetDeviceName(char* vendor, char* product, char* revision) const {
  CopyArea(vendor, 10, vendor_.data());
  CopyArea(product, 18, product_.data());
  CopyArea(revision, 6, revision_.data());
  return deviceName_.data();
}

bool SCSIDEV::GetSense(uint8_t* key, uint8_t* asc, uint8_t* ascq, std::string* text) {
  std::string message;
  bool clean = channel_.GetSenseInfo(&lastKey_, &lastAsc_, &lastAscq_, text != nullptr ? &message : nullptr);
  lastResult_ = clean ? 1 : 0;
  if (key != nullptr) *key = lastKey_;
  if (asc != nullptr) *asc = lastAsc_;
  if (ascq != nullptr) *ascq = lastAscq_;
  if (text != nullptr) {
    *text = message;
    lastErrorText_ = message;
  }
  return clean;
}

bool SCSIDEV::CopySenseData(uint8_t* buffer) const { return channel_.GetSenseData(buffer); }

void SCSIDEV::LogSenseLine() {
  std::string message;
  GetSense(nullptr, nullptr, nullptr, &message);
  AddLog(FormatText("%X-%02X-%02X: %s", lastKey_, lastAsc_, lastAscq_, message.c_str()));
}

void SCSIDEV::ReportError(std::string* text, bool showBox, bool force) {
  lastErrorText_.clear();
  std::string message;
  // A forced report of a command whose sense holds no error says what became
  // of the command instead of "OK.".
  GetSense(nullptr, nullptr, nullptr, &message);
  if (lastKey_ == sense::kNoSenseKey) message = NoSenseText();
  if (lastKey_ == sense::kNoSenseKey && !geometryRefusal_.empty()) {
    // The drive answered cleanly, but with blocks the program cannot carry.
    lastErrorText_ = FormatText(kRefusedGeometryReport, ha_, id_, lun_, deviceName_.data(), geometryRefusal_.c_str());
    AddLog(lastErrorText_);
    if (showBox) ui::MessageBox(lastErrorText_, "Error Information", ui::kOk | ui::kIconError);
  } else if (force || lastKey_ != sense::kNoSenseKey) {
    if (lastKey_ == sense::kNotReadyKey && lastAsc_ == sense::kAscMediumNotPresent) {
      lastErrorText_ = FormatText(kMediumNotPresentReport, ha_, id_, lun_, deviceName_.data());
    } else if (deviceType_ == aspi::device::kSequentialAccess) {
      lastErrorText_ = FormatText(kTapeReport, ha_, id_, lun_, deviceName_.data(),
                                        scsi::NameLastCommand(channel_), static_cast<uint32_t>(transferred_ >> 32),
                                        static_cast<uint32_t>(transferred_), lastKey_, lastAsc_, lastAscq_,
                                        message.c_str());
    } else {
      lastErrorText_ = FormatText(kDiscReport, ha_, id_, lun_, deviceName_.data(),
                                        scsi::NameLastCommand(channel_), address_, lastKey_, lastAsc_, lastAscq_,
                                        message.c_str());
    }
    AddLog(lastErrorText_);
    if (showBox) ui::MessageBox(lastErrorText_, "Error Information", ui::kOk | ui::kIconError);
  }
  if (text != nullptr) *text = lastErrorText_;
}

std::string SCSIDEV::NoSenseText() const {
  if (lastBusy_) return "The SCSI manager was busy and did not take the command.";
  switch (lastStatus_) {
    case -1: return "The command could not be passed to the SCSI manager.";
    case aspi::SS_PENDING: return "The drive did not answer the command in time.";
    case aspi::SS_COMP: return "The drive reported no error, but its answer could not be used.";
    case aspi::SS_ABORTED: return "The command was aborted.";
    case aspi::SS_INVALID_HA:
    case aspi::SS_NO_DEVICE: return "No device answers at this address.";
    default: return FormatText("The command ended with request status %02XH and no sense data.", lastStatus_);
  }
}

bool SCSIDEV::ConfigAccepted(int status, uint8_t key) {
  return key == sense::kUnitAttentionKey || (key == sense::kNoSenseKey && status == aspi::SS_COMP);
}
