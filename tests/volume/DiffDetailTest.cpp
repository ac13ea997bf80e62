// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <vector>

#include "tests/fixtures/CapturedLog.h"
#include "volume/DiffDetail.h"
#include "volume/DifferenceLog.h"

TEST(DiffDetail, OneEntryPerDifferingRow) {
  CapturedLog log;
  std::vector<uint8_t> source(2048), destination(2048);
  for (size_t i = 0; i < source.size(); ++i) source[i] = destination[i] = static_cast<uint8_t>(i);
  destination[17] = 0xEE;

  DiffDetail(source.data(), destination.data(), 2048);
  auto entries = log.Entries();
  ASSERT_EQ(entries.size(), 2u);  // header and one row
  EXPECT_EQ(entries[1],
            "[index: 00000010]\r\n"
            "SRC: 10 11 12 13 14 15 16 17-18 19 1A 1B 1C 1D 1E 1F\r\n"
            "DST: 10 EE 12 13 14 15 16 17-18 19 1A 1B 1C 1D 1E 1F\r\n\r\n");
}

TEST(DiffDetail, EqualBuffersMissingBuffersAndAWholeBlock) {
  CapturedLog log;
  std::vector<uint8_t> a(65536, 0x11), b(65536, 0x11);
  DiffDetail(a.data(), b.data(), 65536);
  EXPECT_TRUE(log.Entries().empty()) << "equal rows write nothing";

  DiffDetail(nullptr, b.data(), 16);
  DiffDetail(a.data(), b.data(), 0);
  auto entries = log.Entries();
  ASSERT_EQ(entries.size(), 3u);  // header and two lines
  EXPECT_EQ(entries[1], "Error in DiffDetail()");
  EXPECT_EQ(entries[2], "Error in DiffDetail()");

  std::vector<uint8_t> c(65536, 0x22);
  DiffDetail(a.data(), c.data(), 65536);
  entries = log.Entries();
  EXPECT_EQ(entries.size(), 3u + 4096u);
  EXPECT_EQ(entries.back().substr(0, 19), "[index: 0000FFF0]\r\n");
}

TEST(DifferenceLog, DetailsTheFirst16StepsAndCountsTheRest) {
  CapturedLog log;
  std::vector<uint8_t> source(64, 0x11), destination(64, 0x11);
  destination[40] = 0x22;
  DifferenceLog steps;
  for (int step = 0; step < 17; ++step) steps.Step(source.data(), destination.data(), 64);
  steps.End();
  size_t rows = 0;
  for (const std::string& entry : log.Entries()) rows += entry.rfind("[index: 00000020]", 0) == 0;
  EXPECT_EQ(rows, 16u);
  EXPECT_EQ(log.Entries().back(), "1 further differing step was not detailed.");
  EXPECT_EQ(steps.Steps(), 17u);
}
