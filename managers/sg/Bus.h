// SPDX-License-Identifier: GPL-3.0-or-later
// Bus: the SCSI generic manager behind the two entry points. It reads the
// kernel's SCSI generic nodes once, when it is first used, maps them to the
// program's addresses (AddressMap.h), opens each node and says in the log
// what it found: one line per adapter and per unit, and for a node it
// cannot open, why and what would let it. A rescan (SC_RESCAN_SCSI_BUS)
// reads the nodes again and adds the units attached since, with the same
// lines; the units found before keep their nodes and workers (a unit that
// went away answers its commands with errors). The adapter numbers follow
// the host numbers, so a new host below the others moves theirs: the program
// scans every address again after a rescan. A rescan waits for requests being
// handed to units and holds the next ones until it is done.
//
// Requests are dispatched by SRB_Cmd: host adapter inquiry and rescan are
// answered before Send returns, execute requests go to their unit's worker
// (Device.h), aborts to the units of their adapter. A node that could not be
// opened answers as no device. A disk the system uses (DiskUse.h) is sent
// no command that would change it: such a command comes back at once with
// the sense of a write-protected medium (07h/27h/00h), and the log says why.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <shared_mutex>
#include <string>
#include <vector>

#include "host/aspi/AspiSrb.h"
#include "managers/sg/AddressMap.h"
#include "managers/sg/Device.h"
#include "managers/sg/Node.h"
#include "managers/sg/Topology.h"

namespace sg {

class Bus {
 public:
  // Where the bus looks: the sysfs and /dev folders and how nodes open.
  struct Environment {
    std::string sysfsRoot = "/sys";
    std::string devRoot = "/dev";
    std::string procRoot = "/proc";
    NodeOpener open;
    NodeOpener openExclusive;  // the exclusive hold (HoldUnit)
    BlockHolder holdBlock;     // the unit's block device, held with it
  };
  static Environment SystemEnvironment();

  explicit Bus(const Environment& environment);
  // The bus of the process, built on first use from SystemEnvironment().
  static Bus& Instance();

  // Bits 8-15 SS_COMP and bits 0-7 the adapter count, or SS_NO_ADAPTERS
  // when the kernel has no SCSI generic node the program can address.
  uint32_t SupportInfo() const;
  uint32_t Send(void* block);
  // The hold entry point (host/aspi/AspiSrb.h): the unit's sg node is opened
  // again with O_EXCL, and its block device (/dev/srN) too, so that no other
  // program opens the drive (or mounts its disc) while this one writes; a
  // node or block device another program has open is refused (SS_ERR, with
  // the reason). hold 0 opens the node as before.
  uint32_t HoldUnit(uint8_t ha, uint8_t id, uint8_t lun, bool hold, std::string* reason);
  // The address of the unit behind devRoot/sgN or devRoot/<its block device>.
  std::optional<aspi::ScsiAddress> FindUnit(const std::string& path) const;

 private:
  // Opens the nodes from index `from` on and says what it found.
  void OpenUnits(const Environment& environment, size_t from);
  // Names the host adapters (after the map has changed).
  void NameAdapters(const Environment& environment, size_t fromAdapter);
  void Rescan();
  uint32_t HostAdapterInquiry(aspi::SRB_HAInquiry* block) const;
  uint32_t Execute(aspi::SRB_ExecSCSICmd* block);
  uint32_t AbortRequest(aspi::SRB_Abort* block);

  mutable std::shared_mutex mutex_;  // held shared by every request and hold, alone by a rescan
  std::vector<NodeInfo> nodes_;
  AddressMap map_;
  std::vector<std::string> driverNames_;          // by adapter
  std::vector<std::unique_ptr<Device>> devices_;  // by node; empty where the node did not open
  std::vector<std::string> inUse_;                // by node: why the system uses its disk, or empty
  std::vector<std::string> labels_;               // by node: "0,1,0 (/dev/sg1)" for log lines
  std::vector<std::unique_ptr<BlockHold>> held_;   // by node: the block device while held
  std::vector<bool> holding_;                      // by node: opened exclusively
  Environment environment_;
};

}  // namespace sg
