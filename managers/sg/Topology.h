// SPDX-License-Identifier: GPL-3.0-or-later
// Topology: the SCSI generic nodes the kernel has, read from sysfs.
//
// Every /sys/class/scsi_generic/sgN stands for one logical unit; its
// "device" link leads to the unit's folder, named after its kernel address
// host:channel:target:lun, which also holds the unit's type, vendor and
// model. The host's driver name is /sys/class/scsi_host/hostH/proc_name.
// Reading never opens a device node, so it needs no permission beyond
// reading sysfs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sg {

struct NodeInfo {
  std::string name;  // "sg3": the node is /dev/sg3
  uint64_t host = 0;
  uint64_t channel = 0;
  uint64_t target = 0;
  uint64_t lun = 0;
  int type = -1;  // peripheral device type, -1 when sysfs does not say
  std::string vendor;
  std::string model;
  std::string blockName;  // "sr0", "sda": the unit's block device, when it has one

  // "sg3 (2:0:1:0, QEMU QEMU HARDDISK)", for log lines.
  std::string Describe() const;
};

// The nodes under sysfsRoot (normally "/sys"), sorted by kernel address. A
// node whose address cannot be read is left out and named in *problems.
std::vector<NodeInfo> ReadTopology(const std::string& sysfsRoot, std::vector<std::string>* problems);

// The driver name of a SCSI host ("virtio_scsi", "ahci", "usb-storage"), or
// an empty text.
std::string HostDriverName(const std::string& sysfsRoot, uint64_t host);

// Reads "2:0:1:0"; false when the text is not four numbers.
bool ParseKernelAddress(const std::string& text, NodeInfo& node);

}  // namespace sg
