// SPDX-License-Identifier: GPL-3.0-or-later
// The size text rule of --size and the Volume Size window.
#include <gtest/gtest.h>

#include "base/SizeText.h"

namespace {

struct Accepted {
  const char* text;
  uint64_t bytes;
};

}  // namespace

TEST(SizeText, AcceptsDecimalAndTrailingHOnly) {
  const Accepted kAccepted[] = {
      {"0", 0},
      {"2048", 2048},
      {"00001", 1},
      {"18446744073709551615", UINT64_MAX},
      {"100000H", 1048576},
      {"100000h", 1048576},
      {"ffH", 255},
      {"FFFFFFFFFFFFFFFFH", UINT64_MAX},
  };
  for (const Accepted& row : kAccepted) {
    uint64_t bytes = 7;
    EXPECT_TRUE(ReadSizeText(row.text, bytes)) << row.text;
    EXPECT_EQ(bytes, row.bytes) << row.text;
  }
  // Everything the window once read as 0 or as its last 18 digits.
  for (const char* text : {"", "-1", "+5", "0x100", "1e9", "abc", "12X", "12 MB", " 5", "5 ", "1,048,576", "1.5",
                           "H", "ff", "18446744073709551616", "77000000000000001064960", "10000000000000000H"}) {
    uint64_t bytes = 7;
    std::string refusal;
    EXPECT_FALSE(ReadSizeText(text, bytes, &refusal)) << text;
    EXPECT_EQ(bytes, 7u) << "a refused text leaves the size as it was: " << text;
    EXPECT_EQ(refusal.find(std::string("\"") + text + "\" is not a number of bytes"), 0u) << refusal;
  }
}
