// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/DeviceLine.h"

#include <cstring>

#include "base/TextFormat.h"
#include "devices/SCSIDEV.h"

std::string FirmwareModeNote(const SCSIDEV& device) {
  // The maker's TYPE1 writer reports its mode in the first revision character.
  if (std::strncmp(device.Vendor(), "HALVERN", 7) != 0 || std::strstr(device.Product(), "QXW-7200") == nullptr)
    return {};
  switch (device.Revision()[0]) {
    case 'B': return "boot mode: run the firmware update again";
    case 'L': return "loader mode: run the firmware update again";
    default: return {};
  }
}

std::string DeviceLine(const SCSIDEV& device) {
  std::string line = FormatText("SCSI address %d,%d,%d:  %s %s (Version %s)", device.HostAdapter(), device.TargetId(),
                                device.Lun(), device.Vendor(), device.Product(), device.Revision());
  if (std::string note = FirmwareModeNote(device); !note.empty()) line += " - " + note;
  return line;
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
