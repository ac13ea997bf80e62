// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/simbus/StateTool.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "managers/simbus/BusDescription.h"
#include "managers/simbus/DriveFactory.h"
#include "managers/simbus/DriveRecord.h"

namespace simbus {
namespace {

constexpr const char* kUsage =
    "Usage: marrowlight-simbus list\n"
    "       marrowlight-simbus insert ADAPTER,ID[,LUN] dvd-r [SECTORS]\n"
    "       marrowlight-simbus insert ADAPTER,ID[,LUN] dvd-rw [SECTORS]\n"
    "       marrowlight-simbus insert ADAPTER,ID[,LUN] dvd+r [SECTORS]\n"
    "       marrowlight-simbus insert ADAPTER,ID[,LUN] image PATH\n"
    "       marrowlight-simbus insert ADAPTER,ID[,LUN] none\n"
    "       marrowlight-simbus reset ADAPTER,ID[,LUN]\n"
    "The bus is the one MARROWLIGHT_SIMBUS describes, or the built-in default bus.\n";

std::string AddressText(const DeviceConfig& device) {
  return std::to_string(device.adapter) + "," + std::to_string(device.id) + "," + std::to_string(device.lun);
}

bool ParseNumber(const std::string& text, unsigned long max, unsigned long* value) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  errno = 0;
  *value = std::strtoul(text.c_str(), nullptr, 10);
  return errno == 0 && *value <= max;
}

const DeviceConfig* FindDevice(const BusConfig& bus, const std::string& address, std::ostream& err) {
  unsigned long parts[3] = {0, 0, 0};
  size_t count = 0, start = 0;
  while (count < 3) {
    size_t colon = address.find_first_of(",:", start);
    std::string part = address.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    if (!ParseNumber(part, 255, &parts[count++])) break;
    if (colon == std::string::npos) {
      start = std::string::npos;
      break;
    }
    start = colon + 1;
  }
  if (count < 2 || start != std::string::npos) {
    err << "\"" << address << "\" is not an address; write ADAPTER,ID or ADAPTER,ID,LUN, as 0,4\n";
    return nullptr;
  }
  for (const DeviceConfig& device : bus.devices)
    if (device.adapter == parts[0] && device.id == parts[1] && device.lun == parts[2]) return &device;
  err << "No device at " << parts[0] << "," << parts[1] << "," << parts[2] << " on this bus.\n";
  return nullptr;
}

int List(const BusConfig& bus, std::ostream& out) {
  out << "State folder: " << bus.stateDir << "\n";
  if (bus.devices.empty()) out << "No devices.\n";
  for (DeviceConfig device : bus.devices) {
    device.observeOnly = true;
    auto drive = CreateDrive(device, bus.stateDir);
    out << AddressText(device) << "  " << device.model->name << "  " << drive->Summary() << "\n";
  }
  return 0;
}

int Insert(const BusConfig& bus, const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() < 3 || args.size() > 4) {
    err << kUsage;
    return 2;
  }
  const DeviceConfig* device = FindDevice(bus, args[1], err);
  if (device == nullptr) return 1;
  const ModelFamily family = device->model->family;
  const bool writer = family == ModelFamily::DvdWriter || family == ModelFamily::MmcRecorder;
  if (!writer && family != ModelFamily::DvdRom) {
    err << "A " << device->model->name << " takes no discs; only the DVD drives do.\n";
    return 1;
  }
  const std::string& kind = args[2];
  DiscRecord disc;
  if (kind == "dvd-r" || kind == "dvd-rw" || kind == "dvd+r") {
    if (!writer) {
      err << "A dvd-rom reads only images.\n";
      return 1;
    }
    if (kind == "dvd+r" && family != ModelFamily::MmcRecorder) {
      err << "A " << device->model->name << " takes no DVD+R disc.\n";
      return 1;
    }
    unsigned long sectors = kBlankDvdSectors;
    if (args.size() == 4 && (!ParseNumber(args[3], 0xFFFFFFFFul, &sectors) || sectors == 0)) {
      err << "\"" << args[3] << "\" is not a number of sectors.\n";
      return 1;
    }
    disc.kind = kind == "dvd-r" ? MediumKind::DvdR : kind == "dvd-rw" ? MediumKind::DvdRw : MediumKind::DvdPlusR;
    disc.sectors = static_cast<uint32_t>(sectors);
  } else if (kind == "image") {
    char resolved[PATH_MAX];
    if (args.size() != 4 || ::realpath(args[3].c_str(), resolved) == nullptr) {
      err << "The image " << (args.size() == 4 ? "\"" + args[3] + "\" " : std::string()) << "cannot be found.\n";
      return 1;
    }
    disc.kind = MediumKind::Image;
    disc.imagePath = resolved;
  } else if (kind == "none" && args.size() == 3) {
    disc.kind = MediumKind::None;
  } else {
    err << kUsage;
    return 2;
  }
  const std::string recordPath = RecordPath(bus.stateDir, device->adapter, device->id, device->lun, ".json");
  DriveRecord record;
  record.origin = MediumOrigin(device->medium);
  if (auto saved = LoadDriveRecord(recordPath); saved && saved->origin == record.origin) record = *saved;
  record.disc = disc;
  std::remove(RecordPath(bus.stateDir, device->adapter, device->id, device->lun, ".img").c_str());
  if (!MakeFolders(bus.stateDir) || !SaveDriveRecord(recordPath, record)) {
    err << "Cannot write " << recordPath << "\n";
    return 1;
  }
  out << AddressText(*device) << " now holds ";
  if (disc.kind == MediumKind::None) out << "no disc.\n";
  else if (disc.kind == MediumKind::Image) out << "the image " << disc.imagePath << ".\n";
  else out << "a blank " << kind << " of " << disc.sectors << " sectors.\n";
  return 0;
}

int Reset(const BusConfig& bus, const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2) {
    err << kUsage;
    return 2;
  }
  const DeviceConfig* device = FindDevice(bus, args[1], err);
  if (device == nullptr) return 1;
  for (const char* extension : {".json", ".img"})
    std::remove(RecordPath(bus.stateDir, device->adapter, device->id, device->lun, extension).c_str());
  out << AddressText(*device) << " starts from the bus description again.\n";
  return 0;
}

}  // namespace

int RunStateTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty() || args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
    (args.empty() ? err : out) << kUsage;
    return args.empty() ? 2 : 0;
  }
  std::string problem;
  BusConfig bus = BusFromEnvironment(&problem);
  if (!problem.empty()) {
    err << problem << "\n";
    return 1;
  }
  if (args[0] == "list" && args.size() == 1) return List(bus, out);
  if (args[0] == "insert") return Insert(bus, args, out, err);
  if (args[0] == "reset") return Reset(bus, args, out, err);
  err << kUsage;
  return 2;
}

}  // namespace simbus
