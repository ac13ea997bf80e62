// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/AddressProbe.h"

#include <cctype>
#include <cstring>

#include "devices/BusyRetry.h"
#include "host/os/Sleep.h"
#include "scsi/ASPI32.h"
#include "scsi/Commands.h"

namespace {

constexpr char kMaker[] = "HALVERN";

bool BeginsWith(const uint8_t* field, const char* text, bool ignoreCase) {
  for (size_t i = 0; text[i] != '\0'; ++i) {
    uint8_t a = field[i], b = static_cast<uint8_t>(text[i]);
    if (ignoreCase ? std::tolower(a) != std::tolower(b) : a != b) return false;
  }
  return true;
}

}  // namespace

AddressProbe::AddressProbe(uint8_t ha, uint8_t id, uint8_t lun, bool settle) : address_{ha, id, lun} {
  ASPI32 channel;
  if (settle) host::Sleep(20);
  // A manager that turns the INQUIRY away as busy is asked again.
  status_ = RetryWhileBusy(channel, [&] { return scsi::Inquiry(channel, ha, id, lun, inquiry_.Data()); });
}

bool AddressProbe::Found() const { return status_ != aspi::SS_NO_DEVICE && status_ != aspi::SS_INVALID_HA; }

bool AddressProbe::Maker() const { return BeginsWith(inquiry_.Data() + INQUIRYDATA::kVendorOffset, kMaker, true); }

bool AddressProbe::MakerExactly() const {
  return BeginsWith(inquiry_.Data() + INQUIRYDATA::kVendorOffset, kMaker, false);
}

bool AddressProbe::ProductBegins(const char* text) const {
  return BeginsWith(inquiry_.Data() + INQUIRYDATA::kProductOffset, text, true);
}

bool AddressProbe::ProductBeginsExactly(const char* text) const {
  return BeginsWith(inquiry_.Data() + INQUIRYDATA::kProductOffset, text, false);
}

const DvdrProbe& AddressProbe::Capabilities() {
  if (!capabilities_) capabilities_ = ProbeDVDR(address_.ha, address_.id, address_.lun);
  return *capabilities_;
}

const MmcFeatures& AddressProbe::Mmc() {
  if (!mmc_) mmc_ = ProbeMmcFeatures(address_.ha, address_.id, address_.lun);
  return *mmc_;
}

bool AddressProbe::IsMmcRecorder() {
  if (!Found() || DeviceType() != aspi::device::kCdDvd || Maker()) return false;
  return Mmc().CanRecordDvd();
}
