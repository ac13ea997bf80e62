// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated MMC recorders at the command-block level: GET CONFIGURATION
// by request type, the tray's sense, no test write on DVD+R, and the disc's
// identity in READ DVD STRUCTURE.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/managers/simbus/TestBus.h"

namespace {

std::string Recorder(const std::string& medium) {
  return R"({"adapters": [{"devices": [{"id": 6, "model": "mmc-recorder", "medium": )" + medium + "}]}]}";
}

// The feature codes of a GET CONFIGURATION reply, after its current profile.
std::vector<uint16_t> Features(const std::vector<uint8_t>& reply, uint16_t& current) {
  current = static_cast<uint16_t>(reply[6] << 8 | reply[7]);
  const size_t end = 4 + (size_t{reply[0]} << 24 | size_t{reply[1]} << 16 | size_t{reply[2]} << 8 | reply[3]);
  std::vector<uint16_t> codes;
  for (size_t at = 8; at + 4 <= end && at + 4 <= reply.size(); at += 4 + reply[at + 3])
    codes.push_back(static_cast<uint16_t>(reply[at] << 8 | reply[at + 1]));
  return codes;
}

struct ConfigurationRow {
  const char* medium;
  uint8_t requestType;
  uint16_t start;
  uint16_t current;
  std::vector<uint16_t> features;
};

TEST(MmcWriterBlocks, GetConfigurationByRequestType) {
  const ConfigurationRow rows[] = {
      {R"({"kind": "dvd+r"})", 0, 0, 0x001B, {0x0000, 0x0001, 0x0003, 0x001F, 0x002B, 0x002F}},
      {R"({"kind": "dvd+r"})", 1, 0, 0x001B, {0x0000, 0x0001, 0x0003, 0x001F, 0x002B}},
      {R"({"kind": "dvd-r"})", 1, 0, 0x0011, {0x0000, 0x0001, 0x0003, 0x001F, 0x002F}},
      {R"({"kind": "dvd-rw"})", 2, 0x002F, 0x0014, {0x002F}},
      {R"({"kind": "none"})", 0, 0x0020, 0x0000, {0x002B, 0x002F}},
  };
  for (const ConfigurationRow& row : rows) {
    SCOPED_TRACE(std::string(row.medium) + " type " + std::to_string(row.requestType));
    TestBus bus(Recorder(row.medium));
    std::vector<uint8_t> reply(512, 0xEE);
    Reply answer = bus.Exec(6, {0x46, row.requestType, static_cast<uint8_t>(row.start >> 8),
                                static_cast<uint8_t>(row.start), 0, 0, 0, 0x02, 0x00, 0},
                            reply.data(), static_cast<uint32_t>(reply.size()));
    ASSERT_EQ(answer.status, aspi::SS_COMP);
    uint16_t current = 0;
    EXPECT_EQ(Features(reply, current), row.features);
    EXPECT_EQ(current, row.current);
  }
}

TEST(MmcWriterBlocks, TraySenseTestWriteAndIdentity) {
  TestBus bus(Recorder(R"({"kind": "dvd+r", "sectors": 4096})"));
  ASSERT_TRUE(bus.WaitReady(6));
  // Page 05h with the test bit: a DVD+R has no test write.
  std::vector<uint8_t> page(8 + 2 + 0x32, 0);
  page[8] = 0x05;
  page[9] = 0x32;
  page[10] = 0x12;
  Reply select = bus.Exec(6, {0x55, 0x10, 0, 0, 0, 0, 0, 0, static_cast<uint8_t>(page.size()), 0}, page.data(),
                          static_cast<uint32_t>(page.size()), true);
  EXPECT_EQ(select.SenseText(), "05/26/00");
  // The ADIP names the disc's maker and type.
  std::vector<uint8_t> adip(4 + 256, 0);
  ASSERT_EQ(bus.Exec(6, {0xAD, 0, 0, 0, 0, 0, 0, 0x11, 0x01, 0x04, 0, 0}, adip.data(), 260).status, aspi::SS_COMP);
  EXPECT_EQ(std::string(adip.begin() + 4 + 19, adip.begin() + 4 + 30), "SIMDISC R01");
  // Without its disc the drive tells an open tray from a shut one.
  EXPECT_EQ(bus.Exec(6, {0x1B, 0, 0, 0, 0x02, 0}).status, aspi::SS_COMP);
  EXPECT_EQ(bus.Exec(6, {0x00, 0, 0, 0, 0, 0}).SenseText(), "02/3A/02");
  TestBus empty(Recorder(R"({"kind": "none"})"));
  EXPECT_EQ(empty.Exec(6, {0x00, 0, 0, 0, 0, 0}).SenseText(), "02/3A/01");
}

}  // namespace
