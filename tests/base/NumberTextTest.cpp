// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>

#include "base/NumberText.h"

TEST(FormatNumber, GroupsByThreeAndReportsWhetherTheTextFits) {
  EXPECT_EQ(FormatNumber(0), "0");
  EXPECT_EQ(FormatNumber(999), "999");
  EXPECT_EQ(FormatNumber(1000), "1,000");
  EXPECT_EQ(FormatNumber(4700372992ull), "4,700,372,992");
  EXPECT_EQ(FormatNumber(UINT64_MAX), "18,446,744,073,709,551,615");

  char five[5];
  EXPECT_FALSE(FormatNumber(1000, five, sizeof five));
  char six[6];
  EXPECT_TRUE(FormatNumber(1000, six, sizeof six));
  EXPECT_STREQ(six, "1,000");
  char tight[27];
  EXPECT_TRUE(FormatNumber(UINT64_MAX, tight, sizeof tight));
  EXPECT_FALSE(FormatNumber(UINT64_MAX, tight, sizeof tight - 1));
}

TEST(ParseNumber, ReadsTypedNumbers) {
  EXPECT_EQ(ParseNumber("1A0h", 10), 416u);
  EXPECT_EQ(ParseNumber("1A0H", 10), 416u);
  EXPECT_EQ(ParseNumber("1,024", 10), 1024u);
  EXPECT_EQ(ParseNumber(" 4 700 372 992 ", 10), 4700372992ull);
  EXPECT_EQ(ParseNumber("12x4", 10), 0u);
  EXPECT_EQ(ParseNumber("1A0", 10), 0u);
  EXPECT_EQ(ParseNumber("ff", 16), 255u);
  EXPECT_EQ(ParseNumber("12:34", 16), 0x1234u);
  EXPECT_EQ(ParseNumber("12:34", 10), 0u);  // colons separate only in base 16
  EXPECT_EQ(ParseNumber("", 10), 0u);
  EXPECT_EQ(ParseNumber("h", 10), 0u);
}

TEST(ParseNumber, LooksOnlyAtTheLast18OfTheFirst31Characters) {
  // Characters before the last 18 are never looked at, even when invalid.
  EXPECT_EQ(ParseNumber("xx123456789012345678", 10), 123456789012345678ull);
  // A 32nd character is cut off before anything is read.
  std::string longText = std::string(30, '1') + "5" + "9";
  EXPECT_EQ(ParseNumber(longText, 10), 111111111111111115ull);
  // The text ends at a NUL, as a C text does.
  EXPECT_EQ(ParseNumber(std::string("12\0" "34", 5), 10), 12u);
}

TEST(ScanNumber, ReadsOneTokenOfAMachineWrittenText) {
  uint64_t value = 99;
  EXPECT_TRUE(ScanNumber("   20, 4096", value));
  EXPECT_EQ(value, 20u);
  EXPECT_TRUE(ScanNumber("1000H", value));
  EXPECT_EQ(value, 4096u);
  EXPECT_TRUE(ScanNumber("1000h rest", value));
  EXPECT_EQ(value, 4096u);
  EXPECT_FALSE(ScanNumber("-5", value));
  EXPECT_EQ(value, 0u);
  EXPECT_FALSE(ScanNumber("1A0", value));  // letters without H are not decimal digits
  EXPECT_EQ(value, 0u);
  EXPECT_FALSE(ScanNumber("ff", value));  // lower-case letters do not start a token
  EXPECT_FALSE(ScanNumber("", value));

  // Up to 21 leading blanks are skipped; a 22nd blank ends the scan.
  EXPECT_TRUE(ScanNumber(std::string(21, ' ') + "7", value));
  EXPECT_EQ(value, 7u);
  EXPECT_FALSE(ScanNumber(std::string(22, ' ') + "7", value));

  // A token is at most 20 characters; commas inside count and are skipped.
  EXPECT_TRUE(ScanNumber("1,2,3", value));
  EXPECT_EQ(value, 123u);
  EXPECT_TRUE(ScanNumber("123456789012345678901234", value));
  EXPECT_EQ(value, 345678901234567890ull);  // last 18 of the first 20
}

TEST(GetAssignedValue, ReadsTheNumberAfterTheEqualsSign) {
  EXPECT_EQ(GetAssignedValue("FileSize = 65536"), 65536u);
  EXPECT_EQ(GetAssignedValue("Start = 8000H"), 0x8000u);
  EXPECT_EQ(GetAssignedValue("FileSize 65536"), 0u);
  EXPECT_EQ(GetAssignedValue("FileSize ="), 0u);
  EXPECT_EQ(GetAssignedValue("FileSize = junk"), 0u);
  EXPECT_EQ(GetAssignedValue("a=5"), 0u);  // the character after "=" is always skipped
}

TEST(SizeArithmetic, CeilDivAndTakeChunk) {
  EXPECT_EQ(CeilDiv64(4097, 2048), 3u);
  EXPECT_EQ(CeilDiv64(4096, 2048), 2u);
  EXPECT_EQ(CeilDiv64(0, 2048), 0u);
  EXPECT_EQ(CeilDiv64(12345, 0), 0u);
  EXPECT_EQ(CeilDiv64(UINT64_MAX, 2), (UINT64_MAX / 2) + 1);

  uint32_t remaining = 150000;
  EXPECT_EQ(TakeChunk(remaining, 65536), 65536u);
  EXPECT_EQ(TakeChunk(remaining, 65536), 65536u);
  EXPECT_EQ(TakeChunk(remaining, 65536), 18928u);
  EXPECT_EQ(TakeChunk(remaining, 65536), 0u);

  uint64_t big = 5000000000ull;
  uint64_t total = 0;
  int pieces = 0;
  while (uint32_t piece = TakeChunk(big, 65536)) {
    total += piece;
    ++pieces;
  }
  EXPECT_EQ(total, 5000000000ull);
  EXPECT_EQ(pieces, 76294);
}
