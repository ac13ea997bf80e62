// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/sg/Topology.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <tuple>

namespace fs = std::filesystem;

namespace sg {
namespace {

// The first line of a sysfs attribute, without trailing blanks.
std::string ReadAttribute(const fs::path& path) {
  std::ifstream in(path);
  std::string line;
  if (!in || !std::getline(in, line)) return {};
  while (!line.empty() && (line.back() == ' ' || line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return line;
}

bool ParseNumber(std::string_view text, uint64_t& value) {
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string NodeInfo::Describe() const {
  std::string text = name + " (" + std::to_string(host) + ":" + std::to_string(channel) + ":" +
                     std::to_string(target) + ":" + std::to_string(lun);
  std::string identity = vendor;
  if (!model.empty()) identity += (identity.empty() ? "" : " ") + model;
  if (!identity.empty()) text += ", " + identity;
  return text + ")";
}

bool ParseKernelAddress(const std::string& text, NodeInfo& node) {
  uint64_t* fields[] = {&node.host, &node.channel, &node.target, &node.lun};
  size_t start = 0;
  for (size_t i = 0; i < 4; ++i) {
    size_t end = i == 3 ? text.size() : text.find(':', start);
    if (end == std::string::npos) return false;
    if (!ParseNumber(std::string_view(text).substr(start, end - start), *fields[i])) return false;
    start = end + 1;
  }
  return true;
}

std::vector<NodeInfo> ReadTopology(const std::string& sysfsRoot, std::vector<std::string>* problems) {
  std::vector<NodeInfo> nodes;
  std::error_code error;
  fs::directory_iterator entries(fs::path(sysfsRoot) / "class/scsi_generic", error);
  if (error) return nodes;
  for (const fs::directory_entry& entry : entries) {
    NodeInfo node;
    node.name = entry.path().filename().string();
    fs::path unit = fs::canonical(entry.path() / "device", error);
    if (error || !ParseKernelAddress(unit.filename().string(), node)) {
      if (problems != nullptr) problems->push_back(node.name + ": no SCSI address in sysfs");
      error.clear();
      continue;
    }
    uint64_t type = 0;
    if (ParseNumber(ReadAttribute(unit / "type"), type)) node.type = static_cast<int>(type);
    node.vendor = ReadAttribute(unit / "vendor");
    node.model = ReadAttribute(unit / "model");
    // The block device of the unit (sr_mod, sd_mod), when its driver is loaded.
    for (const fs::directory_entry& block : fs::directory_iterator(unit / "block", error)) {
      node.blockName = block.path().filename().string();
      break;
    }
    error.clear();
    nodes.push_back(std::move(node));
  }
  std::sort(nodes.begin(), nodes.end(), [](const NodeInfo& a, const NodeInfo& b) {
    return std::tie(a.host, a.channel, a.target, a.lun) < std::tie(b.host, b.channel, b.target, b.lun);
  });
  return nodes;
}

std::string HostDriverName(const std::string& sysfsRoot, uint64_t host) {
  return ReadAttribute(fs::path(sysfsRoot) / "class/scsi_host" / ("host" + std::to_string(host)) / "proc_name");
}

}  // namespace sg
