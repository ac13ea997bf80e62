// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>

#include "base/Log.h"
#include "tests/fixtures/CapturedLog.h"

namespace {
const std::string kHeading =
    "      00 01 02 03 04 05 06 07-08 09 0A 0B 0C 0D 0E 0F\r\n"
    "      -----------------------------------------------\r\n";
}

TEST(PrintDataBuffer, LaysOutRowsCellsAndCharacters) {
  CapturedLog log;
  unsigned char bytes[17];
  for (int i = 0; i < 16; ++i) bytes[i] = static_cast<unsigned char>(0x40 + i);
  bytes[16] = 0x41;
  std::string dump = PrintDataBuffer(bytes, sizeof bytes, "Sense");
  const std::string row0 = "0000  40 41 42 43 44 45 46 47-48 49 4A 4B 4C 4D 4E 4F    @ABCDEFGHIJKLMNO\r\n";
  const std::string row1 = "0010  41" + std::string(45, ' ').replace(21, 1, "-") + "    A" + std::string(15, ' ') + "\r\n";
  EXPECT_EQ(dump, "[Sense]\r\n" + kHeading + row0 + row1 + "\r\n");
  EXPECT_EQ(log.Trace(), row0 + row1) << "each row, and only the rows, go to the trace output";
  EXPECT_TRUE(log.Entries().empty()) << "the dump is not logged by itself";
}

TEST(PrintDataBuffer, ShowsControlAndHighBytesAsDots) {
  CapturedLog log;
  const unsigned char bytes[] = {0x7F, 0x0A, 0x80, 0x41, 0x00, 0x1F, 0x20, 0x7E, 0xFF};
  std::string dump = PrintDataBuffer(bytes, sizeof bytes);
  EXPECT_EQ(dump.substr(0, 2), "\r\n") << "no title gives an empty first line";
  EXPECT_NE(dump.find("0000  7F 0A 80 41 00 1F 20 7E-FF                         ...A.. ~.       \r\n"),
            std::string::npos)
      << dump;
}

TEST(PrintDataBuffer, EmptyBufferAndOffsetsPast0xFFFF) {
  CapturedLog log;
  unsigned char none[1] = {0};
  EXPECT_EQ(PrintDataBuffer(none, 0, "Empty"), "[Empty]\r\n" + kHeading + "\r\n");

  std::vector<unsigned char> big(0x10010, 0x30);
  std::string dump = PrintDataBuffer(big.data(), static_cast<uint32_t>(big.size()));
  EXPECT_NE(dump.find("\r\nFFF0  30"), std::string::npos);
  EXPECT_NE(dump.find("\r\n10000  30"), std::string::npos) << "offsets widen past four digits";
}

TEST(PrintDataBufferDeathTest, MissingBufferEndsTheProcess) {
  EXPECT_EXIT(PrintDataBuffer(nullptr, 16, "x"), testing::ExitedWithCode(1), "");
}
