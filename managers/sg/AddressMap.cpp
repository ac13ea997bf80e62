// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/sg/AddressMap.h"

#include <algorithm>

namespace sg {
namespace {

constexpr uint64_t kLargestField = 255;
// 255 stands for no adapter in the program's addresses.
constexpr size_t kMostAdapters = 255;

std::string Reason(const NodeInfo& node) {
  if (node.channel != 0) return "it is on channel " + std::to_string(node.channel) + " and only channel 0 is mapped";
  if (node.target > kLargestField) return "its target id " + std::to_string(node.target) + " is above 255";
  if (node.lun > kLargestField) return "its LUN " + std::to_string(node.lun) + " is above 255";
  return {};
}

}  // namespace

AddressMap::AddressMap(const std::vector<NodeInfo>& nodes) {
  for (const NodeInfo& node : nodes) {
    if (Reason(node).empty()) hosts_.push_back(node.host);
  }
  std::sort(hosts_.begin(), hosts_.end());
  hosts_.erase(std::unique(hosts_.begin(), hosts_.end()), hosts_.end());
  if (hosts_.size() > kMostAdapters) hosts_.resize(kMostAdapters);

  for (const NodeInfo& node : nodes) {
    std::string reason = Reason(node);
    auto host = std::find(hosts_.begin(), hosts_.end(), node.host);
    if (reason.empty() && host == hosts_.end()) reason = "its host is past the 255th adapter";
    if (!reason.empty()) {
      addresses_.push_back(aspi::ScsiAddress{});
      unmapped_.push_back(node.Describe() + " has no address: " + reason + ".");
      continue;
    }
    addresses_.push_back({static_cast<uint8_t>(host - hosts_.begin()), static_cast<uint8_t>(node.target),
                          static_cast<uint8_t>(node.lun)});
  }
}

std::optional<uint64_t> AddressMap::HostOf(uint8_t adapter) const {
  if (adapter >= hosts_.size()) return std::nullopt;
  return hosts_[adapter];
}

std::optional<size_t> AddressMap::Find(uint8_t adapter, uint8_t id, uint8_t lun) const {
  const aspi::ScsiAddress wanted{adapter, id, lun};
  if (!wanted.IsSet()) return std::nullopt;
  auto found = std::find(addresses_.begin(), addresses_.end(), wanted);
  if (found == addresses_.end()) return std::nullopt;
  return static_cast<size_t>(found - addresses_.begin());
}

}  // namespace sg
