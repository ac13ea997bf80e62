// SPDX-License-Identifier: GPL-3.0-or-later
// Sense data to text: every prefix, every message and the special rules.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "scsi/SenseDecoder.h"
#include "scsi/SenseTables.h"

namespace {

std::array<uint8_t, 146> Sense(uint8_t key, uint8_t asc, uint8_t ascq, uint8_t byte21 = 0) {
  std::array<uint8_t, 146> sense{};
  sense[0] = 0x70;
  sense[2] = key;
  sense[12] = asc;
  sense[13] = ascq;
  sense[21] = byte21;
  return sense;
}

std::string Decode(uint8_t key, uint8_t asc, uint8_t ascq, uint8_t byte21 = 0) {
  return DecodeSense(Sense(key, asc, ascq, byte21));
}

struct Expected {
  uint8_t asc, ascq;
  const char* text;
};

// The messages as the user reads them, written out independently of the table.
const Expected kMessages[] = {
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

const char* const kPrefixes[] = {
    "Recovered Error: ", "Not Ready: ", "Medium Error: ",  "Hardware Error: ", "Illegal Request: ",
    "Unit Attention: ",  "Data Protect: ", "Blank Check: ", "(Vender Unique): ", "Copy Aborted: ",
    "Aborted Command: ", "Equal: ",      "Volume Overflow: ", "Miscompare: ",
};

}  // namespace

TEST(DecodeSense, EveryMessageWithAPrefixAndWithout) {
  for (const Expected& e : kMessages) {
    SCOPED_TRACE(testing::Message() << std::hex << int(e.asc) << "/" << int(e.ascq));
    EXPECT_EQ(Decode(0x02, e.asc, e.ascq), std::string("Not Ready: ") + e.text);
    EXPECT_EQ(Decode(0x0F, e.asc, e.ascq), e.text) << "key byte 15 has no prefix";
  }
  // 38h/00h is decided by byte 21 and is not in the plain table.
  EXPECT_EQ(std::size(scsi::sense::kAscTexts), std::size(kMessages));
}

TEST(DecodeSense, EveryKeyPrefix) {
  for (uint8_t key = 1; key <= 14; ++key) {
    if (key == 8) continue;  // blank check with 3Ah below
    EXPECT_EQ(Decode(key, 0x3A, 0x00), std::string(kPrefixes[key - 1]) + "Medium not present.") << int(key);
  }
  EXPECT_EQ(Decode(8, 0x3A, 0x00), "Blank Check: Medium not present.");
}

TEST(DecodeSense, TheExamples) {
  EXPECT_EQ(Decode(2, 0x3A, 0x00), "Not Ready: Medium not present.");
  EXPECT_EQ(Decode(5, 0x24, 0x00), "Illegal Request: Invalid fileld in command packet.");
  EXPECT_EQ(Decode(0x85, 0x21, 0x00), "Logical block address out of range.");
  EXPECT_EQ(Decode(3, 0x11, 0x05), "Medium Error: - Unknown Error -");
}

TEST(DecodeSense, KeyZeroIsOkWhateverTheCodes) {
  EXPECT_EQ(Decode(0, 0x3A, 0x00), "OK.");
  EXPECT_EQ(Decode(0, 0x00, 0x00), "OK.");
  EXPECT_EQ(Decode(0, 0xFF, 0xFF, 1), "OK.");
}

TEST(DecodeSense, BlankCheckOfAnUnrecordedSector) {
  EXPECT_EQ(Decode(8, 0x00, 0x00), "Blank Check: This sector has not been recorded yet.");
  EXPECT_EQ(Decode(8, 0x00, 0x06), "Blank Check: TIO message received.");
  EXPECT_EQ(Decode(2, 0x00, 0x00), "Not Ready: - Unknown Error -") << "only key 8 knows the unrecorded sector";
}

TEST(DecodeSense, InvalidWriteAddressOrBufferUnderrunBySenseByte21) {
  EXPECT_EQ(Decode(4, 0x38, 0x00, 1), "Hardware Error: Invalid address for write.");
  EXPECT_EQ(Decode(4, 0x38, 0x00, 0), "Hardware Error: Buffer underrun.");
  EXPECT_EQ(Decode(4, 0x38, 0x00, 2), "Hardware Error: Buffer underrun.");
  EXPECT_EQ(Decode(0x90, 0x38, 0x00, 1), "Invalid address for write.");
  EXPECT_EQ(Decode(4, 0x38, 0x01, 1), "Hardware Error: - Unknown Error -");
}

TEST(DecodeSense, KeysAboveFourteenHaveNoPrefix) {
  for (int key = 15; key <= 0xFF; ++key) {
    EXPECT_EQ(Decode(static_cast<uint8_t>(key), 0x27, 0x00), "Write protected.") << key;
  }
  EXPECT_EQ(Decode(0x80, 0x99, 0x99), "- Unknown Error -");
}

TEST(DecodeSense, TrailingBlanksStay) {
  EXPECT_EQ(Decode(3, 0x30, 0x01), "Medium Error: Cannt read medium ");
  EXPECT_EQ(Decode(3, 0x72, 0x03), "Medium Error: Session fixation error ");
  EXPECT_EQ(Decode(4, 0x80, 0x31), "Hardware Error: Too high temperature ");
}

TEST(DecodeSense, EveryMessageFitsTheTextArea) {
  size_t longest = 0;
  for (int key = 0; key <= 0xFF; ++key) {
    for (const Expected& e : kMessages) longest = std::max(longest, Decode(static_cast<uint8_t>(key), e.asc, e.ascq).size());
  }
  EXPECT_LT(longest, kSenseTextSize);
}

TEST(DecodeSense, ShortSenseAreaReadsAsZerosPastItsEnd) {
  const uint8_t threeBytes[3] = {0x70, 0x00, 0x02};
  EXPECT_EQ(DecodeSense(threeBytes), "Not Ready: - Unknown Error -");
  const uint8_t fourteen[14] = {0x70, 0, 0x04, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x38, 0x00};
  EXPECT_EQ(DecodeSense(fourteen), "Hardware Error: Buffer underrun.") << "byte 21 missing reads as 0";
  EXPECT_EQ(DecodeSense(std::span<const uint8_t>()), "OK.");
}

TEST(DecodeSense, IntoAFixedTextArea) {
  auto sense = Sense(5, 0x24, 0x00);
  char area[kSenseTextSize];
  std::memset(area, 'x', sizeof area);
  DecodeSense(sense, area, sizeof area);
  EXPECT_STREQ(area, "Illegal Request: Invalid fileld in command packet.");

  char small[10];
  std::memset(small, 'x', sizeof small);
  DecodeSense(sense, small, sizeof small);
  EXPECT_STREQ(small, "Illegal R") << "cut to fit, NUL-terminated";

  DecodeSense(sense, nullptr, 0);  // nothing to write into: nothing written
  char one[1] = {'x'};
  DecodeSense(sense, one, 1);
  EXPECT_EQ(one[0], '\0');
}
