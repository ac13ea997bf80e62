// SPDX-License-Identifier: GPL-3.0-or-later
// AddressMap: the program's SCSI addresses (host adapter, target id, LUN) for
// the kernel's (host, channel, target, LUN).
//
// The host adapters are the SCSI hosts that have SCSI generic nodes, in
// ascending host number: HA 0 is the lowest host, whatever its number. The
// target id and LUN are the kernel's target and LUN on channel 0. A node on
// another channel, or with a target or LUN above 255, has no address the
// program can write; it stays out of the map with the reason.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/aspi/ScsiVocabulary.h"
#include "managers/sg/Topology.h"

namespace sg {

class AddressMap {
 public:
  AddressMap() = default;
  explicit AddressMap(const std::vector<NodeInfo>& nodes);

  size_t AdapterCount() const { return hosts_.size(); }
  // The kernel host number of an adapter; nothing past the last adapter.
  std::optional<uint64_t> HostOf(uint8_t adapter) const;
  // The index into the node list given at construction of the node at an
  // address, or nothing when no node answers there.
  std::optional<size_t> Find(uint8_t adapter, uint8_t id, uint8_t lun) const;
  // The program's address of a node, or an unset address for one left out.
  aspi::ScsiAddress AddressOf(size_t node) const { return addresses_.at(node); }
  // The nodes left out, each with the reason, in node order.
  const std::vector<std::string>& Unmapped() const { return unmapped_; }

 private:
  std::vector<uint64_t> hosts_;                  // by adapter number
  std::vector<aspi::ScsiAddress> addresses_;    // by node index
  std::vector<std::string> unmapped_;
};

}  // namespace sg
