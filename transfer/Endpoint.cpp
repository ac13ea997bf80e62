// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/Endpoint.h"

#include "base/TextFormat.h"
#include "devices/SCSIDEV.h"

std::string Endpoint::Describe() const {
  if (IsFile()) return file;
  return FormatText("%d,%d,%d", device->HostAdapter(), device->TargetId(), device->Lun());
}
