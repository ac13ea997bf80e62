// Sense values the emulated drives report, by name. Handlers fail a command
// with one of these; no call site spells a sense key, ASC or ASCQ as a number.
#pragma once

#include <cstdint>

namespace simbus {

struct Sense {
  uint8_t key = 0;
  uint8_t asc = 0;
  uint8_t ascq = 0;
  constexpr bool operator==(const Sense&) const = default;
};

namespace sense {
// Sense keys.
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
}  // namespace sense

inline constexpr Sense kNoSense{};
inline constexpr Sense kFilemarkDetected{sense::kNoSenseKey, 0x00, 0x01};
inline constexpr Sense kEndOfDataDetected{sense::kBlankCheckKey, 0x00, 0x05};

inline constexpr Sense kNotReadyBecomingReady{sense::kNotReadyKey, 0x04, 0x01};
inline constexpr Sense kNotReadyOperationInProgress{sense::kNotReadyKey, 0x04, 0x07};
inline constexpr Sense kNotReadyLongWriteInProgress{sense::kNotReadyKey, 0x04, 0x08};
inline constexpr Sense kMediumNotPresent{sense::kNotReadyKey, 0x3A, 0x00};

inline constexpr Sense kUnrecoveredReadError{sense::kMediumErrorKey, 0x11, 0x00};
inline constexpr Sense kWriteError{sense::kMediumErrorKey, 0x0C, 0x00};

inline constexpr Sense kParameterListLengthError{sense::kIllegalRequestKey, 0x1A, 0x00};
inline constexpr Sense kInvalidCommandOperationCode{sense::kIllegalRequestKey, 0x20, 0x00};
inline constexpr Sense kLbaOutOfRange{sense::kIllegalRequestKey, 0x21, 0x00};
inline constexpr Sense kInvalidFieldInCdb{sense::kIllegalRequestKey, 0x24, 0x00};
inline constexpr Sense kLogicalUnitNotSupported{sense::kIllegalRequestKey, 0x25, 0x00};
inline constexpr Sense kInvalidFieldInParameterList{sense::kIllegalRequestKey, 0x26, 0x00};
inline constexpr Sense kCommandSequenceError{sense::kIllegalRequestKey, 0x2C, 0x00};
inline constexpr Sense kIncompatibleMedium{sense::kIllegalRequestKey, 0x30, 0x00};
inline constexpr Sense kCannotWriteMedium{sense::kIllegalRequestKey, 0x30, 0x05};
// The maker's drives report a write at an address other than the next
// writable one as 38h/00h with vendor sense byte 21 set to 1.
inline constexpr Sense kInvalidAddressForWrite{sense::kIllegalRequestKey, 0x38, 0x00};
inline constexpr Sense kMediumRemovalPrevented{sense::kIllegalRequestKey, 0x53, 0x02};
inline constexpr Sense kIllegalModeForTrack{sense::kIllegalRequestKey, 0x64, 0x00};
inline constexpr Sense kNoMoreRZoneReservation{sense::kIllegalRequestKey, 0x72, 0x05};

inline constexpr Sense kPowerOnReset{sense::kUnitAttentionKey, 0x29, 0x00};
inline constexpr Sense kWriteProtected{sense::kDataProtectKey, 0x27, 0x00};
inline constexpr Sense kBlankSector{sense::kBlankCheckKey, 0x00, 0x00};

// Vendor sense byte 21 that goes with kInvalidAddressForWrite.
inline constexpr uint8_t kVendorInvalidAddress = 1;

}  // namespace simbus
