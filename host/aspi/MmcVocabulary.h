// SPDX-License-Identifier: GPL-3.0-or-later
// The Multi-Media Commands values both sides use, named once: the profile
// numbers of media (GET CONFIGURATION's current profile), the feature codes
// the program reads, the CLOSE TRACK/SESSION functions and the READ DVD
// STRUCTURE formats that carry a disc's identity.
#pragma once

#include <cstdint>

namespace aspi {

// MMC profile numbers of the media the program names.
namespace profile {
inline constexpr uint16_t kNone = 0x0000;
inline constexpr uint16_t kCdRom = 0x0008;
inline constexpr uint16_t kCdR = 0x0009;
inline constexpr uint16_t kCdRw = 0x000A;
inline constexpr uint16_t kDvdRom = 0x0010;
inline constexpr uint16_t kDvdR = 0x0011;
inline constexpr uint16_t kDvdRam = 0x0012;
inline constexpr uint16_t kDvdRwOverwrite = 0x0013;  // restricted overwrite: needs a full erase first
inline constexpr uint16_t kDvdRw = 0x0014;           // sequential recording
inline constexpr uint16_t kDvdRDualLayer = 0x0015;
inline constexpr uint16_t kDvdRDualLayerJump = 0x0016;
inline constexpr uint16_t kDvdRwDualLayer = 0x0017;
inline constexpr uint16_t kDvdPlusRw = 0x001A;
inline constexpr uint16_t kDvdPlusR = 0x001B;
inline constexpr uint16_t kDvdPlusRwDualLayer = 0x002A;
inline constexpr uint16_t kDvdPlusRDualLayer = 0x002B;
inline constexpr uint16_t kBdRom = 0x0040;
inline constexpr uint16_t kBdRSequential = 0x0041;
inline constexpr uint16_t kBdRRandom = 0x0042;
inline constexpr uint16_t kBdRe = 0x0043;
}  // namespace profile

// Feature codes of GET CONFIGURATION.
namespace feature {
inline constexpr uint16_t kProfileList = 0x0000;
inline constexpr uint16_t kCore = 0x0001;
inline constexpr uint16_t kRemovableMedium = 0x0003;
inline constexpr uint16_t kDvdRead = 0x001F;
inline constexpr uint16_t kDvdPlusR = 0x002B;
inline constexpr uint16_t kDvdMinusRWrite = 0x002F;
}  // namespace feature

// CLOSE TRACK/SESSION byte 2.
namespace closing {
inline constexpr uint8_t kTrack = 1;
inline constexpr uint8_t kSession = 2;
}  // namespace closing

// READ DVD STRUCTURE formats.
namespace structure {
inline constexpr uint8_t kPhysical = 0x00;
inline constexpr uint8_t kPreRecorded = 0x0E;  // DVD-R/RW: manufacturer ID in fields 2 and 3
inline constexpr uint8_t kAdip = 0x11;         // DVD+R: manufacturer and media type IDs
}  // namespace structure

}  // namespace aspi
