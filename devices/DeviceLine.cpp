#include "devices/DeviceLine.h"

#include "base/TextFormat.h"
#include "devices/SCSIDEV.h"

std::string DeviceLine(const SCSIDEV& device) {
  return FormatText("SCSI address %d,%d,%d:  %s %s (Version %s)", device.HostAdapter(), device.TargetId(),
                    device.Lun(), device.Vendor(), device.Product(), device.Revision());
}

std::string WritingDeviceLine(const SCSIDEV* writer) {
  if (writer == nullptr || writer->IsUnassigned()) return "No writing device is found.";
  return DeviceLine(*writer);
}

std::string DriveName(const SCSIDEV& device) {
  auto trimmed = [](std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
  };
  std::string vendor = trimmed(device.Vendor()), product = trimmed(device.Product());
  return FormatText("%d,%d,%d (%s%s%s)", device.HostAdapter(), device.TargetId(), device.Lun(), vendor.c_str(),
                    vendor.empty() || product.empty() ? "" : " ", product.c_str());
}
