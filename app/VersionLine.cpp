#include "app/VersionLine.h"

#include "devices/SCSIDEV.h"
#include "drive/WriterProperty.h"

std::string WritingDeviceLine(const SCSIDEV* writer) {
  if (writer == nullptr || writer->IsUnassigned()) return "No writing device is found.";
  return WriterLine(*writer);
}
