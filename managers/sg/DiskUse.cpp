#include "managers/sg/DiskUse.h"

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
  }

  const fs::path proc(procRoot);
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
