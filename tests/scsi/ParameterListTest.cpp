// SPDX-License-Identifier: GPL-3.0-or-later
// The parameter lists of the writer classes, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>

#include "scsi/ParameterLists.h"

namespace {

// A mode area as a drive might have returned it: every byte distinct.
std::array<uint8_t, scsi::kModeAreaSize> ModeReply() {
  std::array<uint8_t, scsi::kModeAreaSize> area;
  for (size_t i = 0; i < area.size(); ++i) area[i] = static_cast<uint8_t>(0xA0 + i * 7);
  return area;
}

// Checks that area differs from before exactly in the bytes of changes.
void ExpectOnlyChanged(const std::array<uint8_t, scsi::kModeAreaSize>& before,
                       const std::array<uint8_t, scsi::kModeAreaSize>& area,
                       const std::vector<std::pair<size_t, uint8_t>>& changes) {
  auto expected = before;
  for (auto [offset, value] : changes) expected[offset] = value;
  for (size_t i = 0; i < area.size(); ++i) {
    ASSERT_EQ(area[i], expected[i]) << "byte " << i;
  }
}

std::string Text(const uint8_t* bytes, size_t length) { return std::string(reinterpret_cast<const char*>(bytes), length); }

}  // namespace

TEST(ParameterLists, List1WriteParametersForRealAndTestWrite) {
  auto area = ModeReply();
  const auto before = area;
  ASSERT_EQ(before[18], 0x1E);  // 0xA0 + 18 * 7, low byte
  EXPECT_EQ(scsi::BuildWriteParameters10(area, false), 68);
  ExpectOnlyChanged(before, area, {{0, 0}, {1, 0}, {18, (0x1E & 0xE0) | 0x02}});

  area = ModeReply();
  area[18] = 0xFF;
  auto before2 = area;
  EXPECT_EQ(scsi::BuildWriteParameters10(area, true), 68);
  ExpectOnlyChanged(before2, area, {{0, 0}, {1, 0}, {18, 0xE0 | 0x10 | 0x02}});
}

TEST(ParameterLists, List2WriteParametersOfTheFirstGeneration) {
  auto area = ModeReply();
  area[18] = 0x05;
  area[21] = 0xB7;
  area[67] = 0x99;
  auto before = area;
  EXPECT_EQ(scsi::BuildWriteParameters09(area, true), 68);
  ExpectOnlyChanged(before, area, {{0, 0}, {1, 0}, {18, 0x15}, {21, 0x07}, {67, 0}});

  area = before;
  area[18] = 0xF5;
  before = area;
  EXPECT_EQ(scsi::BuildWriteParameters09(area, false), 68);
  ExpectOnlyChanged(before, area, {{0, 0}, {1, 0}, {18, 0xE5}, {21, 0x07}, {67, 0}});
}

TEST(ParameterLists, List3CdrWritingMode) {
  auto area = ModeReply();
  const auto before = area;
  EXPECT_EQ(scsi::BuildCdrWritingMode(area, true), 24);
  ExpectOnlyChanged(before, area, {{0, 0}, {1, 0}, {14, 0x08}, {15, 0x00}, {18, 0x04}, {19, 0x01}});
  area = before;
  EXPECT_EQ(scsi::BuildCdrWritingMode(area, false), 24);
  ExpectOnlyChanged(before, area, {{0, 0}, {1, 0}, {14, 0x08}, {15, 0x00}, {18, 0x04}, {19, 0x00}});
}

TEST(ParameterLists, List4CdrConfiguration) {
  auto area = ModeReply();
  const auto before = area;
  EXPECT_EQ(scsi::BuildCdrConfiguration(area), 24);
  ExpectOnlyChanged(before, area,
                    {{0, 0}, {1, 0}, {14, 0x08}, {15, 0x00}, {19, 0x00}, {20, 0x00}, {21, 0x08}, {22, 0x00}});
}

TEST(ParameterLists, List5PhysicalFormat) {
  scsi::PhysicalFormatArea area;
  area.fill(0xCC);
  scsi::BuildPhysicalFormat(area, 0x12ABCDEF);
  const std::array<uint8_t, 30> expected = {
      0x00, 0x16, 0x00, 0x00,              // data length 22, reserved
      0x00, 0x12, 0x21, 0x02, 0x02, 0x11,  //
      0x00, 0x03, 0x00, 0x00,              // start sector 030000h
      0x00, 0xAB, 0xCD, 0xEF,              // end sector: low 24 bits only
      0x00, 0x00, 0x00, 0x00,              // end sector in layer 0
      0x00, 0x00,                          // BCA
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // the unsent rest of the area
  };
  EXPECT_EQ(area, expected);
}

TEST(ParameterLists, List6CopyrightStructure) {
  scsi::DvdStructureRecord record;
  std::memset(record.list, 0xEE, sizeof record.list);
  scsi::BuildCopyrightStructure(record, 0, 0);
  EXPECT_EQ(record.formatCode, 0x05);
  EXPECT_EQ(record.transferLength, 8);
  EXPECT_EQ(record.dataLength, 6);
  const uint8_t expected[8] = {0x00, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(std::vector<uint8_t>(record.list, record.list + 8), std::vector<uint8_t>(expected, expected + 8));
  EXPECT_EQ(record.list[8], 0) << "the record is cleared before it is filled";

  scsi::BuildCopyrightStructure(record, 1, 2);
  EXPECT_EQ(record.list[5], 0xA0);
  scsi::BuildCopyrightStructure(record, 2, 3);
  EXPECT_EQ(record.list[5], 0x00) << "the second value counts only with bit 0 of the first";
  scsi::BuildCopyrightStructure(record, 3, 7);
  EXPECT_EQ(record.list[5], 0xB0);
}

TEST(ParameterLists, List7TimeStampWithAFixedClock) {
  scsi::DvdStructureRecord record;
  std::memset(record.list, 0xEE, sizeof record.list);
  scsi::BuildTimeStampStructure(record, host::UtcTime{1999, 7, 30, 9, 5, 3});
  EXPECT_EQ(record.formatCode, 0x0F);
  EXPECT_EQ(record.transferLength, 20);
  EXPECT_EQ(record.dataLength, 18);
  const uint8_t head[6] = {0x00, 0x12, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(std::vector<uint8_t>(record.list, record.list + 6), std::vector<uint8_t>(head, head + 6));
  EXPECT_EQ(Text(record.list + 6, 14), "19990730090503");
  EXPECT_EQ(record.list[20], 0);
}

TEST(ParameterLists, List7KeepsFourteenDigitsWhateverTheClockSays) {
  scsi::DvdStructureRecord record;
  scsi::BuildTimeStampStructure(record, host::UtcTime{123456, 123, -1, 24, 59, 60});
  EXPECT_EQ(Text(record.list + 6, 14), "99999900245960");
  EXPECT_EQ(record.list[20], 0);
}

TEST(ParameterLists, List7WithTheCurrentClock) {
  scsi::DvdStructureRecord record;
  host::UtcTime before = host::CurrentUtcTime();
  scsi::BuildTimeStampStructure(record);
  std::string stamp = Text(record.list + 6, 14);
  EXPECT_EQ(stamp.substr(0, 4), std::to_string(before.year).substr(0, 4));
  EXPECT_TRUE(std::all_of(stamp.begin(), stamp.end(), [](char c) { return c >= '0' && c <= '9'; })) << stamp;
}
