// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/simbus/DriveRecord.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

namespace simbus {
namespace {

using nlohmann::json;

MediumKind KindFromName(const std::string& name) {
  if (name == "dvd-r") return MediumKind::DvdR;
  if (name == "dvd-rw") return MediumKind::DvdRw;
  if (name == "dvd+r") return MediumKind::DvdPlusR;
  if (name == "image") return MediumKind::Image;
  return MediumKind::None;
}

DiscStatus StatusFromName(const std::string& name) {
  if (name == "appendable") return DiscStatus::Appendable;
  if (name == "closed") return DiscStatus::Closed;
  return DiscStatus::Blank;
}

}  // namespace

const char* MediumKindName(MediumKind kind) {
  switch (kind) {
    case MediumKind::DvdR: return "dvd-r";
    case MediumKind::DvdRw: return "dvd-rw";
    case MediumKind::DvdPlusR: return "dvd+r";
    case MediumKind::Image: return "image";
    case MediumKind::None: break;
  }
  return "none";
}

const char* DiscStatusName(DiscStatus status) {
  switch (status) {
    case DiscStatus::Appendable: return "appendable";
    case DiscStatus::Closed: return "closed";
    case DiscStatus::Blank: break;
  }
  return "blank";
}

std::string RecordPath(const std::string& stateDir, uint8_t adapter, uint8_t id, uint8_t lun,
                       const char* extension) {
  return stateDir + "/drive-" + std::to_string(adapter) + "-" + std::to_string(id) + "-" +
         std::to_string(lun) + extension;
}

std::string MediumOrigin(const MediumConfig& medium) {
  json origin = {{"kind", MediumKindName(medium.kind)},
                 {"path", medium.path},
                 {"sectors", medium.sectors.value_or(0)},
                 {"writable", medium.writable.value_or(false)}};
  return origin.dump();
}

std::optional<DriveRecord> LoadDriveRecord(const std::string& path) {
  std::ifstream file(path);
  if (!file) return std::nullopt;
  try {
    json root = json::parse(file);
    DriveRecord record;
    record.origin = root.at("origin").get<std::string>();
    const json& disc = root.at("disc");
    record.disc.kind = KindFromName(disc.at("kind").get<std::string>());
    record.disc.sectors = disc.at("sectors").get<uint32_t>();
    record.disc.status = StatusFromName(disc.at("status").get<std::string>());
    record.disc.reserved = disc.at("reserved").get<uint32_t>();
    record.disc.written = disc.at("written").get<uint32_t>();
    record.disc.recorded = disc.at("recorded").get<uint32_t>();
    record.disc.imagePath = disc.value("image", std::string());
    record.revision = root.value("revision", std::string());
    record.mecha = root.value("mecha", std::string());
    record.firmwareMode = root.value("firmware_mode", std::string());
    const DiscRecord& d = record.disc;
    // A record that does not add up (edited by hand, half written) is not used.
    if (d.reserved > d.sectors || d.written > std::max(d.reserved, d.recorded) || d.recorded > d.sectors ||
        record.revision.size() > 4 || record.mecha.size() > 4 ||
        (!record.firmwareMode.empty() && !FirmwareModeNamed(record.firmwareMode)))
      return std::nullopt;
    return record;
  } catch (const json::exception&) {
    return std::nullopt;  // a damaged record: the drive starts afresh
  }
}

bool SaveDriveRecord(const std::string& path, const DriveRecord& record) {
  json disc = {{"kind", MediumKindName(record.disc.kind)},
               {"sectors", record.disc.sectors},
               {"status", DiscStatusName(record.disc.status)},
               {"reserved", record.disc.reserved},
               {"written", record.disc.written},
               {"recorded", record.disc.recorded},
               {"image", record.disc.imagePath}};
  json root = {{"origin", record.origin}, {"disc", disc}, {"revision", record.revision},
               {"mecha", record.mecha}, {"firmware_mode", record.firmwareMode}};
  std::string temporary = path + ".tmp" + std::to_string(::getpid());
  {
    std::ofstream file(temporary, std::ios::trunc);
    if (!file) return false;
    file << root.dump(2) << "\n";
    if (!file) return false;
  }
  return std::rename(temporary.c_str(), path.c_str()) == 0;
}

bool MakeFolders(const std::string& path) {
  if (path.empty()) return false;
  std::error_code error;
  std::filesystem::create_directories(path, error);
  return !error && std::filesystem::is_directory(path, error);
}

}  // namespace simbus
