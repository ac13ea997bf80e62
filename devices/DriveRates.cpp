// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/DriveRates.h"

#include <algorithm>
#include <array>

#include "devices/SCSIDEV.h"
#include "scsi/BigEndian.h"
#include "scsi/Commands.h"

namespace {

constexpr uint8_t kCapabilitiesPage = 0x2A;
constexpr double kBytesPerKilobyte = 1000;  // the page counts kB/s of 1,000 bytes

// Page bytes of the speeds in kB/s: current read (maximum read when the
// current one is 0), current write selected (later drives) and current
// write (earlier drives).
constexpr uint32_t kMaximumRead = 8, kCurrentRead = 14, kCurrentWrite = 20, kCurrentWriteSelected = 28;

}  // namespace

DriveRates ParseDriveRates(const uint8_t* area, uint32_t length) {
  DriveRates rates;
  if (length < 8) return rates;
  // The page follows the 8-byte header and the block descriptors.
  const uint32_t page = 8 + scsi::GetBE16(area + 6);
  if (page + 2 > length || (area[page] & 0x3F) != kCapabilitiesPage) return rates;
  // Bytes of the page the drive filled and the area holds.
  const uint32_t end = std::min<uint32_t>(length, page + 2 + area[page + 1]);
  auto field = [&](uint32_t offset) -> double {
    return page + offset + 2 <= end ? scsi::GetBE16(area + page + offset) * kBytesPerKilobyte : 0;
  };
  rates.readBytesPerSecond = field(kCurrentRead) > 0 ? field(kCurrentRead) : field(kMaximumRead);
  rates.writeBytesPerSecond = field(kCurrentWriteSelected) > 0 ? field(kCurrentWriteSelected) : field(kCurrentWrite);
  return rates;
}

DriveRates ReadDriveRates(SCSIDEV& device) {
  std::array<uint8_t, scsi::kModeSenseLength> area{};
  if (device.ModeSense10(kCapabilitiesPage, area.data()) != aspi::SS_COMP) return {};
  uint8_t key = 0;
  device.GetSense(&key);
  if (key != aspi::sense::kNoSenseKey) return {};
  return ParseDriveRates(area.data(), static_cast<uint32_t>(area.size()));
}
