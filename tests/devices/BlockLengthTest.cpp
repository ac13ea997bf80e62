// SPDX-License-Identifier: GPL-3.0-or-later
// A drive's READ CAPACITY answer never makes a transfer overrun its buffer:
// a block length above 32 KiB is refused with the device and the length, and
// a transfer that would not fit the caller's buffer is never sent.
#include <gtest/gtest.h>

#include <vector>

#include "devices/SCSIDEV.h"
#include "tests/devices/DeviceTestSupport.h"
#include "tests/devices/SimBus.h"

namespace {

constexpr uint8_t kReadCapacity = 0x25, kRead10 = 0x28;
// The volume check's work area: 1 MiB and 64 KiB.
constexpr size_t kWorkArea = 1114112;

std::vector<uint8_t> Capacity(uint32_t lastLba, uint32_t blockLength) {
  return {uint8_t(lastLba >> 24), uint8_t(lastLba >> 16), uint8_t(lastLba >> 8), uint8_t(lastLba),
          uint8_t(blockLength >> 24), uint8_t(blockLength >> 16), uint8_t(blockLength >> 8), uint8_t(blockLength)};
}

using BlockLength = DeviceTest;

}  // namespace

TEST_F(BlockLength, LengthsBeyond32KiBAreRefusedAndNothingIsRead) {
  struct Row {
    uint32_t length;
    const char* shown;  // as the refusal names it; nullptr: carried
  };
  const Row rows[] = {{2097152, "2,097,152"}, {0xFFFFFFFF, "4,294,967,295"}, {32769, "32,769"}, {32768, nullptr},
                      {512, nullptr}};
  // One bus for all rows (a test's bus stays loaded until the test ends);
  // each row scripts exactly the answers it takes: a refused length is asked
  // for twice (SetDevice, then the read's own attempt), a carried one once,
  // and then read.
  SimBus bus(DeviceEntry(1, "disk", R"("medium": {"kind": "image", "sectors": 100})"));
  SCSIDEV dev(0, 1, 0);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.length);
    bus.Clear();
    bus.Script(kReadCapacity, row.shown ? 2 : 1, 1, {}, Capacity(99, row.length));
    if (!row.shown) bus.Script(kRead10, 1, 1, {}, std::vector<uint8_t>(32768, 0x77));
    std::vector<uint8_t> work(kWorkArea, 0xEE);
    dev.SetDevice();
    bool read = dev.Read(0, work.data(), 32768);
    if (row.shown == nullptr) {
      EXPECT_TRUE(read);
      EXPECT_EQ(dev.BlockSize(), row.length);
      EXPECT_TRUE(dev.GeometryRefusal().empty());
      continue;
    }
    EXPECT_FALSE(read);
    EXPECT_EQ(bus.Count(kRead10), 0u);
    EXPECT_EQ(dev.BlockSize(), 0u);
    EXPECT_EQ(work[32768], 0xEE) << "nothing past the read was touched";
    const std::string refusal = std::string("0,1,0 ORBITEK HD-2100 DISK    3.11 reports a block length of ") +
                                row.shown + " bytes; the program can carry blocks of at most 32,768 bytes.";
    EXPECT_EQ(dev.GeometryRefusal(), refusal);
    EXPECT_TRUE(log.Contains("[SCSIDEV::SetDevice] " + refusal));
    // The report of the failed transfer says why (its sense is clean).
    ui.Expect("[Error Information]\r\nSCSI Address: 0,1,0\r\nDevice: ORBITEK HD-2100 DISK    3.11\r\n" + refusal +
                  "\r\n\r\n",
              "Error Information", ui::kOk | ui::kIconError, ui::kIdOk);
    dev.ReportError(nullptr, true, false);
  }
}

TEST_F(BlockLength, ATransferThatWouldNotFitItsBufferIsRefused) {
  SimBus bus(DeviceEntry(1, "disk", R"("medium": {"kind": "image", "sectors": 100, "block_size": 4096})"));
  SCSIDEV dev(0, 1, 0);
  EXPECT_FALSE(dev.FitsBuffer(2048, 2048)) << "2,048 bytes move one whole block of 4,096";
  EXPECT_TRUE(log.Contains("[SCSIDEV] A transfer of 2048 bytes in blocks of 4096 bytes does not fit its buffer of "
                           "2,048 bytes."));
  EXPECT_TRUE(dev.FitsBuffer(2048, 4096));
  EXPECT_TRUE(dev.FitsBuffer(65536, 65536));
}
