// SPDX-License-Identifier: GPL-3.0-or-later
// DriveRecord: what an emulated drive keeps in the state folder between runs,
// one JSON file per address (drive-<adapter>-<id>-<lun>.json) beside the
// sparse data file of its disc (drive-<adapter>-<id>-<lun>.img).
//
// `origin` is the bus description's medium for the address; when the
// description changes it, the record is dropped and the drive starts from
// the description again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "managers/simbus/BusDescription.h"

namespace simbus {

enum class DiscStatus { Blank, Appendable, Closed };

struct DiscRecord {
  MediumKind kind = MediumKind::None;
  uint32_t sectors = 0;    // capacity of a recordable disc, size of an image
  DiscStatus status = DiscStatus::Blank;
  uint32_t reserved = 0;   // size of the reserved RZone (0: none)
  uint32_t written = 0;    // next writable address within it
  uint32_t recorded = 0;   // sectors that read back
  std::string imagePath;   // read-only image discs
};

struct DriveRecord {
  std::string origin;
  DiscRecord disc;
  std::string revision;    // after a firmware update; empty: the description's
  std::string mecha;
  std::string firmwareMode;  // "boot" or "loader" after an update cut off; empty: the description's
};

std::string RecordPath(const std::string& stateDir, uint8_t adapter, uint8_t id, uint8_t lun,
                       const char* extension);
std::string MediumOrigin(const MediumConfig& medium);
std::optional<DriveRecord> LoadDriveRecord(const std::string& path);
// Written to a temporary file and renamed, so a reader never sees half a record.
bool SaveDriveRecord(const std::string& path, const DriveRecord& record);
bool MakeFolders(const std::string& path);

const char* MediumKindName(MediumKind kind);
const char* DiscStatusName(DiscStatus status);

}  // namespace simbus
