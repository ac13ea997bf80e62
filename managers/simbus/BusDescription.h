// SPDX-License-Identifier: GPL-3.0-or-later
// The bus description: which adapters exist, which emulated device sits at
// each address, what medium it holds and which faults it shows. It is read
// from the JSON file named by MARROWLIGHT_SIMBUS, or is the built-in default
// bus. The keys are documented in managers/simbus/README.md.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "managers/simbus/Faults.h"
#include "managers/simbus/Models.h"

namespace simbus {

enum class MediumKind { None, DvdR, DvdRw, DvdPlusR, Image };

// Discs a writer records on.
constexpr bool IsRecordable(MediumKind kind) {
  return kind == MediumKind::DvdR || kind == MediumKind::DvdRw || kind == MediumKind::DvdPlusR;
}

inline constexpr uint32_t kBlankDvdSectors = 2298496;

struct MediumConfig {
  MediumKind kind = MediumKind::None;
  std::string path;                 // image file; empty: a file in the state folder
  std::optional<uint64_t> sectors;  // blocks of a blank disc or of a state-folder file
  std::optional<bool> writable;     // image files: read-only unless true
  uint32_t blockSize = 0;           // 0: the model's own
  std::vector<uint64_t> filemarks;  // tape: byte positions of filemarks
  uint32_t recordSize = 0;          // tape: bytes per record (0: no records)
  bool sampleImage = false;         // made with genisoimage on first use
};

// Durations of the slow things a drive does, before the time scale.
struct Timing {
  uint32_t loadMs = 300;          // becoming ready after a disc is loaded
  uint32_t closeMs = 8000;        // closing a disc (long write)
  uint32_t blankMs = 20000;       // BLANK of a whole disc
  uint32_t powerCycleMs = 2000;   // restart after a firmware update
};

struct DeviceConfig {
  uint8_t adapter = 0;
  uint8_t id = 0;
  uint8_t lun = 0;
  const ModelSpec* model = nullptr;
  std::optional<std::string> vendor, product, revision, mecha;
  MediumConfig medium;
  std::vector<FaultRule> faults;
  double speed = 0;  // multiples of 1,385,000 bytes per second; 0: as fast as the machine
  Timing timing;
  FirmwareMode firmwareMode = FirmwareMode::Normal;  // as the drive starts (an update cut off midway)
  bool observeOnly = false;  // the state tool looks without changing the state folder
};

struct BusConfig {
  std::string stateDir;
  size_t adapterCount = 0;
  std::vector<DeviceConfig> devices;
  std::vector<FaultRule> managerFaults;
};

struct DescriptionResult {
  std::optional<BusConfig> bus;
  std::string error;  // one line naming the file, the place and the problem
};

// Parses a description. Relative paths are taken from baseDir.
DescriptionResult ParseBusDescription(std::string_view text, const std::string& fileName,
                                      const std::string& baseDir);
// Reads and parses the file.
DescriptionResult LoadBusDescription(const std::string& fileName);

// The built-in bus: adapter 0 with a disk at id 0, a DVD-ROM drive with the
// sample ISO 9660 + UDF image at id 2, a qxw7100 revision 1.07 with a blank
// DVD-R at id 4 and a qxw7200 with a blank DVD-RW at id 5.
BusConfig DefaultBus();

// The bus of this process: MARROWLIGHT_SIMBUS's description, or the default
// bus when the variable is unset. A malformed description gives an empty bus
// and its message in *error.
BusConfig BusFromEnvironment(std::string* error);

// MARROWLIGHT_SIMBUS_STATE, else $XDG_STATE_HOME/marrowlight/simbus, else
// ~/.local/state/marrowlight/simbus.
std::string DefaultStateDir();

}  // namespace simbus
