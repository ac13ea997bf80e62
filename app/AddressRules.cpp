// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AddressRules.h"

#include "base/TextFormat.h"
#include "devices/CreateDevice.h"
#include "host/aspi/ScsiVocabulary.h"

namespace device = aspi::device;

namespace {

// What a role takes, in the refusal "x is not <wanted>."
const char* Wanted(AddressRole role) {
  switch (role) {
    case AddressRole::WriteSource: return "a disk or CD/DVD drive";
    case AddressRole::Writer: return "a DVD writer";
    case AddressRole::CopySource: return "a disk, optical memory or CD/DVD drive";
    case AddressRole::CopyDestination: break;
  }
  return "a disk or optical memory";
}

bool Fits(AddressProbe& probe, AddressRole role, AddressVerdict& verdict) {
  const uint8_t type = probe.DeviceType();
  switch (role) {
    case AddressRole::WriteSource:
      return type == device::kDirectAccess || type == device::kCdDvd;
    case AddressRole::CopySource:
      return type == device::kCdDvd || type == device::kWriteOnce || type == device::kOpticalMemory ||
             type == device::kDirectAccess;
    case AddressRole::CopyDestination:
      return type == device::kDirectAccess || type == device::kOpticalMemory;
    case AddressRole::Writer:
      break;
  }
  if (type == device::kWriteOnce) return probe.MakerExactly() && probe.ProductBeginsExactly("CD-WO");
  if (type != device::kCdDvd) return false;
  if (probe.MakerExactly()) {
    // A writer that could not be asked is not said to be no writer.
    const DvdrProbe& capabilities = probe.Capabilities();
    const std::string at = AddressText(probe.Address());
    const aspi::Sense& s = capabilities.sense;
    if (capabilities.answer == DvdrAnswer::NotReady)
      verdict.refusal = FormatText("%s is not ready (%X-%02X-%02X: %s). Please try again when it is ready.",
                                   at.c_str(), s.key, s.asc, s.ascq, capabilities.senseText.c_str());
    else if (capabilities.answer == DvdrAnswer::ManagerBusy)
      verdict.refusal = at + " could not be asked: the SCSI manager was busy. Please try again.";
    return capabilities.answer == DvdrAnswer::Writer;
  }
  verdict.mmcRecorder = probe.IsMmcRecorder();
  return verdict.mmcRecorder;
}

}  // namespace

std::string AddressText(const aspi::ScsiAddress& address) {
  return FormatText("%d,%d,%d", address.ha, address.id, address.lun);
}

AddressVerdict JudgeAddress(AddressProbe& probe, AddressRole role) {
  AddressVerdict verdict;
  if (!probe.Found()) {
    verdict.refusal = "No device answers at " + AddressText(probe.Address()) + ".";
    return verdict;
  }
  verdict.fits = Fits(probe, role, verdict);
  if (verdict.fits) verdict.refusal.clear();
  else if (verdict.refusal.empty()) verdict.refusal = AddressText(probe.Address()) + " is not " + Wanted(role) + ".";
  return verdict;
}

std::unique_ptr<SCSIDEV> OpenForRole(const aspi::ScsiAddress& address, AddressRole role, std::string* refusal) {
  AddressProbe probe(address.ha, address.id, address.lun);
  AddressVerdict verdict = JudgeAddress(probe, role);
  if (!verdict.fits) {
    if (refusal != nullptr) *refusal = verdict.refusal;
    return nullptr;
  }
  return std::move(CreateDevice(probe).device);
}

std::unique_ptr<SCSIDEV> OpenAny(const aspi::ScsiAddress& address, std::string* refusal) {
  AddressProbe probe(address.ha, address.id, address.lun);
  if (!probe.Found()) {
    if (refusal != nullptr) *refusal = "No device answers at " + AddressText(address) + ".";
    return nullptr;
  }
  return std::move(CreateDevice(probe).device);
}
