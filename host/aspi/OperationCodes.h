// SPDX-License-Identifier: GPL-3.0-or-later
// SCSI operation codes (byte 0 of a command block): the commands the program
// sends and the emulated drives answer, named once for both sides.
#pragma once

#include <cstdint>

namespace aspi::op {

inline constexpr uint8_t kTestUnitReady = 0x00;
inline constexpr uint8_t kRewind = 0x01;
inline constexpr uint8_t kRequestSense = 0x03;
inline constexpr uint8_t kFormatUnit = 0x04;
inline constexpr uint8_t kReadBlockLimits = 0x05;
inline constexpr uint8_t kRead6 = 0x08;
inline constexpr uint8_t kWrite6 = 0x0A;
inline constexpr uint8_t kInquiry = 0x12;
inline constexpr uint8_t kModeSelect6 = 0x15;
inline constexpr uint8_t kModeSense6 = 0x1A;
inline constexpr uint8_t kStartStopUnit = 0x1B;
inline constexpr uint8_t kPreventAllowMediumRemoval = 0x1E;
inline constexpr uint8_t kReadCapacity = 0x25;
inline constexpr uint8_t kRead10 = 0x28;
inline constexpr uint8_t kWrite10 = 0x2A;
inline constexpr uint8_t kWriteAndVerify10 = 0x2E;
inline constexpr uint8_t kSynchronizeCache = 0x35;
inline constexpr uint8_t kWriteBuffer = 0x3B;
inline constexpr uint8_t kReadBuffer = 0x3C;
inline constexpr uint8_t kWriteSame10 = 0x41;
inline constexpr uint8_t kUnmap = 0x42;
inline constexpr uint8_t kGetConfiguration = 0x46;
inline constexpr uint8_t kLogSense = 0x4D;
inline constexpr uint8_t kReadDiscInformation = 0x51;
inline constexpr uint8_t kReadTrackRZoneInformation = 0x52;
inline constexpr uint8_t kReserveRZone = 0x53;
inline constexpr uint8_t kCloseTrackSession = 0x5B;
inline constexpr uint8_t kModeSelect10 = 0x55;
inline constexpr uint8_t kModeSense10 = 0x5A;
inline constexpr uint8_t kWrite16 = 0x8A;
inline constexpr uint8_t kWriteAndVerify16 = 0x8E;
inline constexpr uint8_t kWriteSame16 = 0x93;
inline constexpr uint8_t kBlank = 0xA1;
inline constexpr uint8_t kRead12 = 0xA8;
inline constexpr uint8_t kWrite12 = 0xAA;
inline constexpr uint8_t kReadDvdStructure = 0xAD;
inline constexpr uint8_t kWriteAndVerify12 = 0xAE;
inline constexpr uint8_t kSendDvdStructure = 0xBF;
inline constexpr uint8_t kVendorCdrConfig = 0xE6;  // the CD-R writer's setup
inline constexpr uint8_t kVendorRead = 0xE9;       // also the control form
inline constexpr uint8_t kVendorWrite = 0xEA;

}  // namespace aspi::op
