// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated drive models: what INQUIRY reports and which behaviour each
// model has. A bus description names a model per address; its optional
// "vendor", "product" and "revision" keys override the texts below.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace simbus {

// MmcRecorder: another maker's DVD writer that speaks the Multi-Media
// Commands (GET CONFIGURATION, tracks, CLOSE TRACK/SESSION) and takes DVD-R,
// DVD-RW and DVD+R discs.
enum class ModelFamily { Disk, OpticalMemory, DvdRom, DvdWriter, MmcRecorder, CdWo, Tape };
enum class FirmwareKind { None, SysMec, Type1 };
// What a writer runs: its firmware, or (qxw7200, during an update) its boot
// code or the update loader.
enum class FirmwareMode { Normal, Boot, Loader };

struct ModelSpec {
  std::string_view name;
  uint8_t deviceType;
  ModelFamily family;
  std::string_view vendor;
  std::string_view product;
  std::string_view revision;
  bool dvdrWrite;          // capabilities page 2Ah reports DVD-R writing
  bool canBlank;           // BLANK of DVD-RW media
  bool generationByRevision;  // revision "0..." selects the first generation
  FirmwareKind firmware;
  uint32_t blockSize;      // of file-backed media
};

inline constexpr std::array<ModelSpec, 9> kModels{{
    {"qxw7100", 5, ModelFamily::DvdWriter, "HALVERN", "DVD-R QXW-7100", "1.07", true, false, true,
     FirmwareKind::SysMec, 2048},
    {"qxw7200", 5, ModelFamily::DvdWriter, "HALVERN", "DVD-RW QXW-7200", "2.10", true, true, false,
     FirmwareKind::Type1, 2048},
    {"dvdrw-writer", 5, ModelFamily::MmcRecorder, "ORBITEK", "DVR-RW 1120", "1.30", true, true, false,
     FirmwareKind::None, 2048},
    {"mmc-recorder", 5, ModelFamily::MmcRecorder, "GENERIC", "DVD RECORDER", "1.00", true, true, false,
     FirmwareKind::None, 2048},
    {"dvd-rom", 5, ModelFamily::DvdRom, "ORBITEK", "DVD-ROM DR-160", "1.02", false, false, false,
     FirmwareKind::None, 2048},
    {"disk", 0, ModelFamily::Disk, "ORBITEK", "HD-2100 DISK", "3.11", false, false, false,
     FirmwareKind::None, 512},
    {"optical-memory", 7, ModelFamily::OpticalMemory, "ORBITEK", "MO-640 OPTICAL", "1.00", false,
     false, false, FirmwareKind::None, 2048},
    {"cd-wo", 4, ModelFamily::CdWo, "HALVERN", "CD-WO QRC880Z", "1.20", false, false, false,
     FirmwareKind::None, 2048},
    {"tape", 1, ModelFamily::Tape, "ORBITEK", "DAT TD-40 TAPE", "4.01", false, false, false,
     FirmwareKind::None, 0},
}};

// Mechanism controller version of a qxw7100 whose description names none.
inline constexpr std::string_view kDefaultMecha = "M1.0";

const ModelSpec* FindModel(std::string_view name);
// "qxw7100, qxw7200, ..." for messages.
std::string ModelNames();

// "normal", "boot", "loader" and back.
const char* FirmwareModeName(FirmwareMode mode);
std::optional<FirmwareMode> FirmwareModeNamed(std::string_view name);

}  // namespace simbus
