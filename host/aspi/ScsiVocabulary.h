// SPDX-License-Identifier: GPL-3.0-or-later
// The SCSI values the program tests and the emulated drives report, named
// once for both sides: sense keys and the ASC/ASCQ pairs in use, peripheral
// device types, the START STOP UNIT and PREVENT ALLOW MEDIUM REMOVAL values,
// and the address of a logical unit on a host adapter. No call site spells
// one of these as a bare number.
#pragma once

#include <cstdint>

namespace aspi {

// Sense key, additional sense code and qualifier of one answer.
struct Sense {
  uint8_t key = 0;
  uint8_t asc = 0;
  uint8_t ascq = 0;
  constexpr bool operator==(const Sense&) const = default;
};

namespace sense {

// Sense keys (low four bits of sense byte 2).
inline constexpr uint8_t kNoSenseKey = 0x0;
inline constexpr uint8_t kNotReadyKey = 0x2;
inline constexpr uint8_t kMediumErrorKey = 0x3;
inline constexpr uint8_t kIllegalRequestKey = 0x5;
inline constexpr uint8_t kUnitAttentionKey = 0x6;
inline constexpr uint8_t kDataProtectKey = 0x7;
inline constexpr uint8_t kBlankCheckKey = 0x8;

// Flag bits of sense byte 2 that a tape drive sets beside the key.
inline constexpr uint8_t kFilemarkFlag = 0x80;
inline constexpr uint8_t kEndOfMediumFlag = 0x40;
inline constexpr uint8_t kIncorrectLengthFlag = 0x20;

// Additional sense codes that the program tests alone, whatever the
// qualifier.
inline constexpr uint8_t kAscLogicalUnitNotReady = 0x04;
inline constexpr uint8_t kAscMediumNotPresent = 0x3A;

inline constexpr Sense kNoSense{};
inline constexpr Sense kFilemarkDetected{kNoSenseKey, 0x00, 0x01};
inline constexpr Sense kEndOfDataDetected{kBlankCheckKey, 0x00, 0x05};

inline constexpr Sense kNotReadyBecomingReady{kNotReadyKey, kAscLogicalUnitNotReady, 0x01};
inline constexpr Sense kNotReadyOperationInProgress{kNotReadyKey, kAscLogicalUnitNotReady, 0x07};
inline constexpr Sense kNotReadyLongWriteInProgress{kNotReadyKey, kAscLogicalUnitNotReady, 0x08};
inline constexpr Sense kMediumNotPresent{kNotReadyKey, kAscMediumNotPresent, 0x00};
inline constexpr Sense kMediumNotPresentTrayClosed{kNotReadyKey, kAscMediumNotPresent, 0x01};
inline constexpr Sense kMediumNotPresentTrayOpen{kNotReadyKey, kAscMediumNotPresent, 0x02};

inline constexpr Sense kUnrecoveredReadError{kMediumErrorKey, 0x11, 0x00};
inline constexpr Sense kWriteError{kMediumErrorKey, 0x0C, 0x00};

inline constexpr Sense kParameterListLengthError{kIllegalRequestKey, 0x1A, 0x00};
inline constexpr Sense kInvalidCommandOperationCode{kIllegalRequestKey, 0x20, 0x00};
inline constexpr Sense kLbaOutOfRange{kIllegalRequestKey, 0x21, 0x00};
inline constexpr Sense kInvalidFieldInCdb{kIllegalRequestKey, 0x24, 0x00};
inline constexpr Sense kLogicalUnitNotSupported{kIllegalRequestKey, 0x25, 0x00};
inline constexpr Sense kInvalidFieldInParameterList{kIllegalRequestKey, 0x26, 0x00};
inline constexpr Sense kCommandSequenceError{kIllegalRequestKey, 0x2C, 0x00};
inline constexpr Sense kIncompatibleMedium{kIllegalRequestKey, 0x30, 0x00};
inline constexpr Sense kCannotWriteMedium{kIllegalRequestKey, 0x30, 0x05};
// The maker's drives report a write at an address other than the next
// writable one as 38h/00h with vendor sense byte 21 set to 1.
inline constexpr Sense kInvalidAddressForWrite{kIllegalRequestKey, 0x38, 0x00};
inline constexpr Sense kMediumRemovalPrevented{kIllegalRequestKey, 0x53, 0x02};
inline constexpr Sense kIllegalModeForTrack{kIllegalRequestKey, 0x64, 0x00};
inline constexpr Sense kNoMoreRZoneReservation{kIllegalRequestKey, 0x72, 0x05};

inline constexpr Sense kPowerOnReset{kUnitAttentionKey, 0x29, 0x00};
inline constexpr Sense kWriteProtected{kDataProtectKey, 0x27, 0x00};
inline constexpr Sense kBlankSector{kBlankCheckKey, 0x00, 0x00};

// Vendor sense byte 21 that goes with kInvalidAddressForWrite.
inline constexpr uint8_t kVendorInvalidAddress = 1;

// A drive that is busy with something that will pass: not ready because it
// is becoming ready, or still working on an operation or on data already
// sent (02h/04h/xx). A drive without a medium (02h/3Ah) is not busy.
constexpr bool IsBusy(const Sense& s) { return s.key == kNotReadyKey && s.asc == kAscLogicalUnitNotReady; }
// Not ready for either reason: busy, or no medium (02h/04h or 02h/3Ah).
constexpr bool IsNotReady(const Sense& s) {
  return s.key == kNotReadyKey && (s.asc == kAscLogicalUnitNotReady || s.asc == kAscMediumNotPresent);
}

}  // namespace sense

// Peripheral device types (INQUIRY byte 0, bits 0-4).
namespace device {
inline constexpr uint8_t kDirectAccess = 0x00;      // disk
inline constexpr uint8_t kSequentialAccess = 0x01;  // tape
inline constexpr uint8_t kWriteOnce = 0x04;         // CD write-once
inline constexpr uint8_t kCdDvd = 0x05;             // CD/DVD drive
inline constexpr uint8_t kOpticalMemory = 0x07;
inline constexpr uint8_t kNoDevice = 0x1F;  // "unknown or no device type"
}  // namespace device

// START STOP UNIT byte 4: LoEj (bit 1) and Start (bit 0).
namespace startstop {
inline constexpr uint8_t kStop = 0x00;
inline constexpr uint8_t kStart = 0x01;
inline constexpr uint8_t kEject = 0x02;
inline constexpr uint8_t kLoadAndStart = 0x03;
}  // namespace startstop

// PREVENT ALLOW MEDIUM REMOVAL byte 4.
namespace removal {
inline constexpr uint8_t kAllow = 0x00;
inline constexpr uint8_t kPrevent = 0x01;
}  // namespace removal

// A logical unit: host adapter, target id and LUN. 255,255,255 marks no
// address.
struct ScsiAddress {
  static constexpr uint8_t kUnset = 255;
  uint8_t ha = kUnset;
  uint8_t id = kUnset;
  uint8_t lun = kUnset;
  constexpr bool operator==(const ScsiAddress&) const = default;
  constexpr bool IsSet() const { return !(ha == kUnset && id == kUnset && lun == kUnset); }
};

}  // namespace aspi
