// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/sg/DiskUse.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "host/aspi/OperationCodes.h"

namespace fs = std::filesystem;

namespace sg {
namespace {

constexpr uint8_t kMediumChanging[] = {
    aspi::op::kWrite6,           aspi::op::kWrite10,          aspi::op::kWrite12,     aspi::op::kWrite16,
    aspi::op::kWriteAndVerify10, aspi::op::kWriteAndVerify12, aspi::op::kWriteAndVerify16,
    aspi::op::kWriteSame10,      aspi::op::kWriteSame16,      aspi::op::kFormatUnit,  aspi::op::kUnmap,
};

bool HasEntries(const fs::path& folder) {
  std::error_code error;
  return fs::is_directory(folder, error) && !fs::is_empty(folder, error);
}

// The first field of each line of a proc table, with the second.
std::vector<std::pair<std::string, std::string>> Fields(const fs::path& table) {
  std::vector<std::pair<std::string, std::string>> rows;
  std::ifstream in(table);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string first, second;
    if (words >> first >> second) rows.emplace_back(first, second);
  }
  return rows;
}

// The "major:minor" a block device folder of sysfs names in its dev file.
std::string DeviceNumber(const fs::path& folder) {
  std::ifstream in(folder / "dev");
  std::string number;
  in >> number;
  return number;
}

// A mount of one of the device numbers, from the mount table with device
// numbers: "ID PARENT MAJOR:MINOR ROOT MOUNTPOINT OPTIONS... - TYPE SOURCE ...".
// The kernel may name the source of the root file system /dev/root, which
// no name test recognises; its device number gives it away.
std::string MountOf(const fs::path& mountInfo, const std::vector<std::string>& numbers) {
  std::ifstream in(mountInfo);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string id, parent, number, root, mountPoint, word, type, source;
    if (!(words >> id >> parent >> number >> root >> mountPoint)) continue;
    if (std::find(numbers.begin(), numbers.end(), number) == numbers.end()) continue;
    while (words >> word && word != "-") {
    }
    words >> type >> source;
    return (source.empty() ? number : source) + " is mounted on " + mountPoint;
  }
  return {};
}

}  // namespace

bool ChangesTheMedium(uint8_t operationCode) {
  for (uint8_t code : kMediumChanging) {
    if (code == operationCode) return true;
  }
  return false;
}

DiskUse FindDiskUse(const std::string& sysfsRoot, const std::string& procRoot, const std::string& nodeName) {
  DiskUse use;
  std::error_code error;
  const fs::path blocks = fs::path(sysfsRoot) / "class/scsi_generic" / nodeName / "device/block";
  fs::directory_iterator entries(blocks, error);
  if (error || entries == fs::directory_iterator()) return use;
  const fs::path disk = entries->path();
  use.blockDevice = disk.filename().string();

  // The disk and its partitions (the folders beside "holders" named after it).
  std::vector<std::string> names = {use.blockDevice};
  std::vector<std::string> numbers = {DeviceNumber(disk)};
  if (HasEntries(disk / "holders")) {
    use.usedBy = "/dev/" + use.blockDevice + " is held by another block device";
    return use;
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(disk, error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(use.blockDevice, 0) != 0 || name == use.blockDevice) continue;
    if (HasEntries(entry.path() / "holders")) {
      use.usedBy = "/dev/" + name + " is held by another block device";
      return use;
    }
    names.push_back(name);
    numbers.push_back(DeviceNumber(entry.path()));
  }
  std::erase(numbers, std::string());

  const fs::path proc(procRoot);
  use.usedBy = MountOf(proc / "self/mountinfo", numbers);
  if (use.InUse()) return use;
  for (const auto& [source, mountPoint] : Fields(proc / "self/mounts")) {
    for (const std::string& name : names) {
      if (source == "/dev/" + name) {
        use.usedBy = source + " is mounted on " + mountPoint;
        return use;
      }
    }
  }
  for (const auto& [source, kind] : Fields(proc / "swaps")) {
    for (const std::string& name : names) {
      if (source == "/dev/" + name) {
        use.usedBy = source + " is in use as swap";
        return use;
      }
    }
  }
  return use;
}

}  // namespace sg
