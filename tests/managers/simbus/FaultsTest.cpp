// SPDX-License-Identifier: GPL-3.0-or-later
// Faults of a device as the bus description gives them, seen in the sense
// bytes of the replies.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/fixtures/TempDir.h"
#include "tests/managers/simbus/TestBus.h"

namespace {

std::string DiskWithFaults(const std::string& faults) {
  return R"({"adapters": [{"devices": [{"id": 0, "model": "disk", "medium": {"kind": "image", "sectors": 256},
             "faults": )" + faults + "}]}]}";
}

}  // namespace

TEST(Faults, SenseForTheFirstTimesInAnAddressRange) {
  TestBus bus(DiskWithFaults(R"([{"kind": "sense", "opcode": "28h", "lba": [100, 109], "sense": "03/11/00",
                                   "first": 2}])"));
  std::vector<uint8_t> data(4096);
  // Outside the range: fine.
  EXPECT_EQ(bus.Exec(0, Cdb10(0x28, 90, 8), data.data(), 4096).status, aspi::SS_COMP);
  // Overlapping it: twice the medium error, then fine.
  Reply first = bus.Exec(0, Cdb10(0x28, 95, 8), data.data(), 4096);
  EXPECT_EQ(first.status, aspi::SS_ERR);
  EXPECT_EQ(first.SenseText(), "03/11/00");
  EXPECT_EQ(bus.Exec(0, Cdb10(0x28, 105, 1), data.data(), 512).SenseText(), "03/11/00");
  EXPECT_EQ(bus.Exec(0, Cdb10(0x28, 105, 1), data.data(), 512).status, aspi::SS_COMP);
  // Another command at the same address is not affected.
  EXPECT_EQ(bus.Exec(0, Cdb10(0x2A, 105, 1), data.data(), 512, true).status, aspi::SS_COMP);
}

TEST(Faults, SenseFromTheMthTimeOn) {
  TestBus bus(DiskWithFaults(R"([{"kind": "sense", "opcode": 0, "sense": [4, "0x44", 0], "from": 3}])"));
  EXPECT_EQ(bus.Exec(0, {0, 0, 0, 0, 0, 0}).status, aspi::SS_COMP);
  EXPECT_EQ(bus.Exec(0, {0, 0, 0, 0, 0, 0}).status, aspi::SS_COMP);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(bus.Exec(0, {0, 0, 0, 0, 0, 0}).SenseText(), "04/44/00");
}

TEST(Faults, VendorByteGoesWithTheSense) {
  TestBus bus(DiskWithFaults(R"([{"kind": "sense", "opcode": "0x2A", "sense": "04/38/00", "byte21": 1}])"));
  std::vector<uint8_t> data(512);
  Reply reply = bus.Exec(0, Cdb10(0x2A, 0, 1), data.data(), 512, true);
  EXPECT_EQ(reply.SenseText(), "04/38/00");
  EXPECT_EQ(reply.sense[21], 1);
}

TEST(Faults, NotReadyForSomePolls) {
  TestBus bus(DiskWithFaults(R"([{"kind": "not-ready", "polls": 3}])"));
  std::vector<uint8_t> data(512);
  EXPECT_EQ(bus.Exec(0, {0, 0, 0, 0, 0, 0}).SenseText(), "02/04/01");
  // Media commands are refused too, without using up a poll; INQUIRY answers.
  EXPECT_EQ(bus.Exec(0, Cdb10(0x28, 0, 1), data.data(), 512).SenseText(), "02/04/01");
  EXPECT_EQ(bus.Exec(0, {0x12, 0, 0, 0, 96, 0}, data.data(), 96).status, aspi::SS_COMP);
  EXPECT_EQ(bus.Exec(0, {0, 0, 0, 0, 0, 0}).SenseText(), "02/04/01");
  EXPECT_EQ(bus.Exec(0, {0, 0, 0, 0, 0, 0}).SenseText(), "02/04/01");
  EXPECT_EQ(bus.Exec(0, {0, 0, 0, 0, 0, 0}).status, aspi::SS_COMP);
}

TEST(Faults, NotReadyWithAGivenSense) {
  TestBus bus(DiskWithFaults(R"([{"kind": "not-ready", "polls": 1, "sense": "02/3A/00"}])"));
  EXPECT_EQ(bus.Exec(0, {0, 0, 0, 0, 0, 0}).SenseText(), "02/3A/00");
  EXPECT_EQ(bus.Exec(0, {0, 0, 0, 0, 0, 0}).status, aspi::SS_COMP);
}

TEST(Faults, HangOnlyForTheGivenCommand) {
  TestBus bus(DiskWithFaults(R"([{"kind": "hang", "opcode": "0x28"}])"));
  EXPECT_EQ(bus.Exec(0, {0, 0, 0, 0, 0, 0}).status, aspi::SS_COMP);
}

TEST(Faults, GateKeepsTheCommandUntilItsFileExists) {
  TempDir gate;
  const std::string release = gate.File("go");
  TestBus bus(DiskWithFaults(R"([{"kind": "gate", "opcode": "28h", "lba": [8, 8], "first": 1, "until": ")" +
                             release + R"("}])"));
  std::vector<uint8_t> data(512);
  // Another block is not held.
  EXPECT_EQ(bus.Exec(0, Cdb10(0x28, 7, 1), data.data(), 512).status, aspi::SS_COMP);
  std::atomic<bool> released{false};
  bool answeredAfterRelease = false;
  Reply held;
  std::thread reader([&] {
    held = bus.Exec(0, Cdb10(0x28, 8, 1), data.data(), 512);
    answeredAfterRelease = released.load();
  });
  released = true;
  gate.Write("go", "");
  reader.join();
  EXPECT_EQ(held.status, aspi::SS_COMP);
  EXPECT_TRUE(answeredAfterRelease);
}
