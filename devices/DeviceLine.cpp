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
