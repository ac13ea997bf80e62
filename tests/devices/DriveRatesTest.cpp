// SPDX-License-Identifier: GPL-3.0-or-later
// The speeds a drive tells in its capabilities page (MODE SENSE 2Ah), read
// from replies laid out as drives send them.
#include <gtest/gtest.h>

#include <vector>

#include "devices/DriveRates.h"

namespace {

// A MODE SENSE(10) reply: the 8-byte header with descriptorBytes of block
// descriptors, then page 2Ah of pageLength bytes after its two-byte head,
// with 16-bit kB/s values at the given page offsets.
std::vector<uint8_t> Reply(uint8_t descriptorBytes, uint8_t pageLength,
                           std::initializer_list<std::pair<int, uint16_t>> fields, uint8_t page = 0x2A) {
  std::vector<uint8_t> area(8 + descriptorBytes + 2 + pageLength, 0);
  area[7] = descriptorBytes;
  size_t at = 8 + descriptorBytes;
  area[at] = page;
  area[at + 1] = pageLength;
  for (auto [offset, value] : fields) {
    area[at + static_cast<size_t>(offset)] = static_cast<uint8_t>(value >> 8);
    area[at + static_cast<size_t>(offset) + 1] = static_cast<uint8_t>(value);
  }
  return area;
}

}  // namespace

TEST(DriveRates, ReadsTheCurrentSpeedsOfThePage) {
  struct Row {
    const char* name;
    std::vector<uint8_t> reply;
    double read, write;
  };
  const Row rows[] = {
      {"current read and write (earlier drives)", Reply(8, 24, {{14, 5540}, {20, 22160}}), 5540000, 22160000},
      {"the maximum read when the current one is 0", Reply(0, 24, {{8, 11080}}), 11080000, 0},
      {"the selected write speed of later drives comes first", Reply(8, 30, {{20, 4155}, {28, 5540}}), 0, 5540000},
      {"a page cut short keeps the fields it holds", Reply(0, 14, {{8, 1385}, {14, 2770}}), 2770000, 0},
      {"another page tells nothing", Reply(8, 24, {{14, 5540}}, 0x05), 0, 0},
      {"a drive that leaves the speeds 0", Reply(8, 24, {}), 0, 0},
  };
  for (const Row& row : rows) {
    DriveRates rates = ParseDriveRates(row.reply.data(), static_cast<uint32_t>(row.reply.size()));
    EXPECT_EQ(rates.readBytesPerSecond, row.read) << row.name;
    EXPECT_EQ(rates.writeBytesPerSecond, row.write) << row.name;
  }
  // Descriptors that point past the reply: no page at all.
  std::vector<uint8_t> broken = Reply(0, 24, {{14, 5540}});
  broken[7] = 200;
  EXPECT_EQ(ParseDriveRates(broken.data(), static_cast<uint32_t>(broken.size())).readBytesPerSecond, 0);
  EXPECT_EQ(ParseDriveRates(broken.data(), 4).readBytesPerSecond, 0);
}
