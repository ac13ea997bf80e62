// SPDX-License-Identifier: GPL-3.0-or-later
// The texts of sense data: the prefix of each sense key and the message of
// each additional sense code and qualifier. Data only; SenseDecoder.cpp reads
// them. Trailing blanks inside the texts are part of them.
#pragma once

#include <array>
#include <cstdint>

namespace scsi::sense {

// Indexed by the sense key byte 1 to 14 (entry 0 is never used: key 0 means
// no error).
inline constexpr std::array<const char*, 15> kKeyPrefixes = {
    nullptr,
    "Recovered Error: ",
    "Not Ready: ",
    "Medium Error: ",
    "Hardware Error: ",
    "Illegal Request: ",
    "Unit Attention: ",
    "Data Protect: ",
    "Blank Check: ",
    "(Vender Unique): ",
    "Copy Aborted: ",
    "Aborted Command: ",
    "Equal: ",
    "Volume Overflow: ",
    "Miscompare: ",
};

struct AscText {
  uint8_t asc;
  uint8_t ascq;
  const char* text;
};

// 38h/00h is decided by sense byte 21 (see the two texts below the table).
inline constexpr AscText kAscTexts[] = {
    {0x00, 0x06, "TIO message received."},
    {0x02, 0x00, "No seek complete."},
    {0x03, 0x00, "No disc is mounted in the drive."},
    {0x04, 0x00, "Logical unit not ready - cause not reportable."},
    {0x04, 0x01, "Logical unit not ready - in progress of becoming ready."},
    {0x04, 0x02, "Logical unit not ready - initializing command required."},
    {0x04, 0x03, "Logical unit not ready - manual intervention required."},
    {0x04, 0x04, "Logical unit not ready - format in progress."},
    {0x04, 0x07, "Logical unit not ready - operation in progress."},
    {0x04, 0x08, "Logical unit not ready - long write in progress."},
    {0x06, 0x00, "No reference position found"},
    {0x08, 0x00, "Logical unit communication failure."},
    {0x08, 0x01, "Logical unit communication timeout."},
    {0x0C, 0x00, "Write error."},
    {0x0C, 0x09, "Loss of streaming."},
    {0x11, 0x00, "Unrecovered read error."},
    {0x14, 0x00, "Recorded entry not found."},
    {0x15, 0x00, "Random positioning error."},
    {0x15, 0x01, "Mechanical positioning error."},
    {0x1A, 0x00, "Parameter list length error."},
    {0x1B, 0x00, "Synchronous transfer error."},
    {0x1B, 0x01, "Synchronous transfer error."},
    {0x1B, 0x02, "Synchronous transfer error."},
    {0x20, 0x00, "Invalid command operation code."},
    {0x21, 0x00, "Logical block address out of range."},
    {0x24, 0x00, "Invalid fileld in command packet."},
    {0x25, 0x00, "Logical unit not supported."},
    {0x26, 0x00, "Invalid field in parameter list."},
    {0x27, 0x00, "Write protected."},
    {0x28, 0x00, "Not ready to ready transition "},
    {0x29, 0x00, "Power on reset or bus device reset occurred."},
    {0x2A, 0x00, "Mode parameters changed."},
    {0x2C, 0x00, "Command sequence error."},
    {0x2C, 0x04, "Current program erea is empty."},
    {0x2E, 0x00, "Insufficient time for operation."},
    {0x30, 0x00, "Incompatible medium installed."},
    {0x30, 0x01, "Cannt read medium "},
    {0x30, 0x02, "Cannt read medium "},
    {0x30, 0x03, "Cleaning cartridge installed."},
    {0x30, 0x04, "Cannot write medium "},
    {0x30, 0x05, "Cannot write medium "},
    {0x31, 0x00, "Medium format corrupted."},
    {0x31, 0x01, "Format command failed."},
    {0x3A, 0x00, "Medium not present."},
    {0x3B, 0x0D, "Medium distination element full."},
    {0x3B, 0x0E, "Medium source element empty."},
    {0x3B, 0x80, "Medium tranport element full."},
    {0x3F, 0x00, "Device operating conditions have changed."},
    {0x3F, 0x01, "Microcode has been changed."},
    {0x43, 0x00, "Message error."},
    {0x44, 0x00, "Internal controller error."},
    {0x47, 0x00, "Parity error."},
    {0x48, 0x00, "Initiator detected error received."},
    {0x49, 0x00, "Invalid message error."},
    {0x4E, 0x00, "Overlapped command packet."},
    {0x51, 0x00, "Erase error."},
    {0x53, 0x00, "Media load or eject failed."},
    {0x53, 0x02, "Medium removal prevented."},
    {0x53, 0x80, "Medium release impossible."},
    {0x53, 0x81, "Someone open the door illegally."},
    {0x53, 0x82, "Door open."},
    {0x53, 0x83, "Disc mounted uncorrectly."},
    {0x53, 0x84, "Source storage element overlap."},
    {0x53, 0x85, "Invalid source element address."},
    {0x53, 0x86, "Denied by the current current function settings."},
    {0x53, 0x87, "Non volatile information is invalid."},
    {0x53, 0x88, "Medium removal prevented "},
    {0x55, 0x00, "System resource failure."},
    {0x57, 0x00, "Unable recover table of contents."},
    {0x64, 0x00, "Illegal mode for this track or imcompatible medium."},
    {0x6F, 0x00, "Authentication failure."},
    {0x6F, 0x01, "Copy protection key exchanged failure "},
    {0x6F, 0x02, "Copy protection key exchanged failure "},
    {0x6F, 0x03, "Read of scranbled sector without authentication."},
    {0x6F, 0x04, "Media region code is mismatched."},
    {0x6F, 0x05, "Drive region must be permanent."},
    {0x72, 0x00, "Session fixation error."},
    {0x72, 0x01, "Session fixation error "},
    {0x72, 0x02, "Session fixation error "},
    {0x72, 0x03, "Session fixation error "},
    {0x72, 0x04, "Empty or partially written reserved track."},
    {0x72, 0x05, "No more RZone reservation is allowed."},
    {0x73, 0x01, "Power calibration area alomost full."},
    {0x73, 0x02, "Power calibration area is full."},
    {0x73, 0x03, "Power calibration area error."},
    {0x73, 0x04, "Program memory erea update failure."},
    {0x73, 0x05, "Program memory erea is full."},
    {0x73, 0x06, "Program memory erea is almost full."},
    {0x80, 0x31, "Too high temperature "},
    {0x80, 0x32, "Too low temperature "},
    {0xAD, 0x00, "Buffer underrun."},
    {0xBF, 0x00, "Loss of streaming."},
};

// 38h/00h: sense byte 21 = 1 tells an invalid write address from an underrun.
inline constexpr uint8_t kWriteAddressAsc = 0x38;
inline constexpr uint8_t kWriteAddressAscq = 0x00;
inline constexpr uint8_t kWriteAddressVendorValue = 1;
inline constexpr const char* kInvalidWriteAddress = "Invalid address for write.";
inline constexpr const char* kBufferUnderrun = "Buffer underrun.";

inline constexpr uint8_t kBlankCheckKey = 8;
inline constexpr const char* kNotRecordedYet = "This sector has not been recorded yet.";
inline constexpr const char* kNoError = "OK.";
inline constexpr const char* kUnknownError = "- Unknown Error -";

}  // namespace scsi::sense
