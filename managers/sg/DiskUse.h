// SPDX-License-Identifier: GPL-3.0-or-later
// DiskUse: whether the system itself uses the disk behind a SCSI generic
// node. A disk is in use when its block device, or a partition of it, is
// mounted, is active swap, or is held by another block device (device
// mapper, software RAID, LVM). The manager refuses to write to such a disk,
// so that picking the wrong copy destination cannot overwrite the running
// system. It looks once, when the manager loads: a disk mounted later is
// not guarded.
#pragma once

#include <cstdint>
#include <string>

namespace sg {

struct DiskUse {
  std::string blockDevice;  // "sda", or empty for a unit without one
  std::string usedBy;       // why it is in use ("/dev/sda1 is mounted on /"), or empty
  bool InUse() const { return !usedBy.empty(); }
};

// nodeName: "sg1". sysfsRoot and procRoot are normally "/sys" and "/proc".
DiskUse FindDiskUse(const std::string& sysfsRoot, const std::string& procRoot, const std::string& nodeName);

// Commands that change what a medium holds, which a disk in use is not sent.
bool ChangesTheMedium(uint8_t operationCode);

}  // namespace sg
