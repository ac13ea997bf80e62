// SPDX-License-Identifier: GPL-3.0-or-later
// SCSIDEV against the simulated bus: identity, the unset device, geometry,
// block reads and writes with their pieces, retries and zero-fill.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "devices/SCSIDEV.h"
#include "tests/devices/DeviceTestSupport.h"
#include "tests/devices/SimBus.h"

namespace {

constexpr uint8_t kTestUnitReady = 0x00, kInquiry = 0x12, kReadCapacity = 0x25, kRead10 = 0x28,
                  kWrite10 = 0x2A;

std::string Disk(int id, uint32_t blocks, uint32_t blockSize, const std::string& extra = "") {
  std::string entry = "\"medium\": {\"kind\": \"image\", \"sectors\": " + std::to_string(blocks) +
                      ", \"block_size\": " + std::to_string(blockSize) + "}";
  if (!extra.empty()) entry += ", " + extra;
  return DeviceEntry(id, "disk", entry);
}

uint32_t Lba(const SentCommand& c) { return c.head.cdb[2] << 24 | c.head.cdb[3] << 16 | c.head.cdb[4] << 8 | c.head.cdb[5]; }
uint32_t Blocks10(const SentCommand& c) { return c.head.cdb[7] << 8 | c.head.cdb[8]; }

const char kDiskName[] = "ORBITEK HD-2100 DISK    3.11";

using ScsiDev = DeviceTest;

TEST_F(ScsiDev, AttachTakesTheIdentityFromInquiry) {
  SimBus bus(Disk(1, 100, 2048));
  SCSIDEV dev(0, 1, 0);
  EXPECT_EQ(dev.GetDeviceType(), 0);
  EXPECT_EQ(dev.HostAdapter(), 0);
  EXPECT_EQ(dev.TargetId(), 1);
  EXPECT_EQ(dev.Lun(), 0);
  EXPECT_STREQ(dev.Vendor(), "ORBITEK ");
  EXPECT_STREQ(dev.Product(), "HD-2100 DISK    ");
  EXPECT_STREQ(dev.Revision(), "3.11");
  EXPECT_STREQ(dev.DeviceName(), kDiskName);
  EXPECT_EQ(dev.FirmwareRevision(), '3' << 24 | '.' << 16 | '1' << 8 | '1');
  EXPECT_EQ(dev.RetryCount(), 10);
  EXPECT_TRUE(dev.IsAssigned());
  EXPECT_FALSE(dev.IsUnassigned());
  EXPECT_EQ(dev.BlocksPerTransfer(), 0);

  auto inquiries = bus.Commands(kInquiry);
  ASSERT_EQ(inquiries.size(), 1u);
  EXPECT_EQ(inquiries[0].Cdb(), (std::vector<uint8_t>{0x12, 0, 0, 0, 0x80, 0}));
  EXPECT_EQ(inquiries[0].head.bufLen, 128u);
  EXPECT_FALSE(log.Contains("Mecha con version"));

  char vendor[10], product[18], revision[6];
  EXPECT_STREQ(dev.GetDeviceName(vendor, product, revision), kDiskName);
  EXPECT_STREQ(vendor, "ORBITEK ");
  EXPECT_STREQ(product, "HD-2100 DISK    ");
  EXPECT_STREQ(revision, "3.11");
  EXPECT_STREQ(dev.GetDeviceName(nullptr, nullptr, nullptr), kDiskName);
}

TEST_F(ScsiDev, TheMakersWriterLogsItsMechanismControllerVersion) {
  SimBus bus(DeviceEntry(4, "qxw7100", "\"mecha\": \"M2.5\"") + "," +
             DeviceEntry(5, "qxw7100", "\"vendor\": \"halvern\", \"mecha\": \"M2.6\""));
  SCSIDEV upper(0, 4, 0);
  SCSIDEV lower(0, 5, 0);
  EXPECT_EQ(CountEntries("Mecha con version: M2.5"), 1);
  // Only the exact upper-case vendor carries the version line.
  EXPECT_FALSE(log.Contains("M2.6"));
  EXPECT_STREQ(lower.Vendor(), "halvern ");
}

TEST_F(ScsiDev, TheUnsetDeviceRefusesEverythingWithoutCommands) {
  SimBus bus(Disk(0, 100, 2048));
  SCSIDEV dev;
  EXPECT_EQ(dev.GetDeviceType(), 31);
  EXPECT_EQ(dev.HostAdapter(), 255);
  EXPECT_EQ(dev.TargetId(), 255);
  EXPECT_EQ(dev.Lun(), 255);
  EXPECT_FALSE(dev.IsAssigned());
  EXPECT_TRUE(dev.IsUnassigned());
  EXPECT_STREQ(dev.DeviceName(), "");
  std::vector<uint8_t> buffer(4096, 0x11);
  EXPECT_FALSE(dev.WaitReady(1000));
  EXPECT_FALSE(dev.WaitNoMedium(1000));
  EXPECT_FALSE(dev.SetDevice());
  EXPECT_FALSE(dev.Read(buffer.data(), 2048));
  EXPECT_FALSE(dev.Write(buffer.data(), 2048));
  EXPECT_EQ(dev.GetCapacity(), 0u);
  EXPECT_EQ(bus.Count(kTestUnitReady), 0u);
  EXPECT_EQ(bus.Count(kReadCapacity), 0u);
  EXPECT_EQ(bus.Count(kRead10), 0u);
}

TEST_F(ScsiDev, AnAddressWithoutDeviceKeepsItsAddressAndFailsQuietly) {
  SimBus bus(Disk(0, 100, 2048));
  SCSIDEV dev(0, 6, 0);
  EXPECT_EQ(dev.GetDeviceType(), 31);
  EXPECT_EQ(dev.TargetId(), 6);
  EXPECT_TRUE(dev.IsAssigned());  // not the unset device
  std::vector<uint8_t> buffer(2048);
  EXPECT_FALSE(dev.Read(0, buffer.data(), 2048));
  EXPECT_EQ(dev.GetCapacity(), 0u);
  auto polls = bus.Commands(kTestUnitReady);
  ASSERT_FALSE(polls.empty());
  EXPECT_EQ(polls[0].head.id, 6);  // its commands still go to that address
  EXPECT_EQ(bus.Count(kRead10), 0u);
  EXPECT_FALSE(log.Contains("[Error Information]"));
}

TEST_F(ScsiDev, AnInquiryThatTimesOutLeavesTypeThirtyOne) {
  SimBus bus(Disk(2, 100, 2048, "\"faults\": [{\"kind\": \"hang\", \"opcode\": 18}]"));
  SCSIDEV dev(0, 2, 0);
  EXPECT_EQ(dev.GetDeviceType(), 31);
  EXPECT_STREQ(dev.Vendor(), "");
  EXPECT_STREQ(dev.DeviceName(), "");
  EXPECT_TRUE(dev.IsAssigned());
  EXPECT_NE(log.Trace().find("TimeOut.\r\n"), std::string::npos);
  // The drive itself answers other commands.
  EXPECT_TRUE(dev.SetDevice());
}

TEST_F(ScsiDev, SetDeviceReadsTheGeometry) {
  SimBus bus(Disk(1, 1000, 512));
  SCSIDEV dev(0, 1, 0);
  ASSERT_TRUE(dev.SetDevice());
  EXPECT_EQ(dev.BlockSize(), 512u);
  EXPECT_EQ(dev.LastLba(), 999u);
  EXPECT_EQ(dev.BlocksPerTransfer(), 64);
  EXPECT_EQ(dev.LastSector2K(), 249);  // 512000 bytes are 250 sectors of 2048
  EXPECT_EQ(dev.GetCapacity(), 512000u);
  EXPECT_EQ(dev.GetFreeSize(), 512000u);
  EXPECT_EQ(CountEntries("SCSIDEV::GetFreeSize()"), 1);
}

TEST_F(ScsiDev, ABlockLengthOfZeroMeans2048) {
  SimBus bus(Disk(1, 100, 2048));
  SCSIDEV dev(0, 1, 0);
  bus.Script(kReadCapacity, 1, 1, {}, {0x00, 0x00, 0x03, 0xE8, 0, 0, 0, 0});
  EXPECT_EQ(dev.GetCapacity(), 2050048u);
  EXPECT_EQ(dev.BlockSize(), 2048u);
  EXPECT_EQ(dev.BlocksPerTransfer(), 16);
  EXPECT_EQ(dev.LastLba(), 1000u);
}

TEST_F(ScsiDev, AnEmptyCapacityFailsWithAReport) {
  SimBus bus(Disk(1, 100, 2048));
  SCSIDEV dev(0, 1, 0);
  bus.Script(kReadCapacity, 1, 1, {}, {0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_FALSE(dev.SetDevice());
  EXPECT_EQ(dev.BlockSize(), 0u);
  EXPECT_EQ(dev.BlocksPerTransfer(), 0);
  EXPECT_EQ(CountPrefixed("[Error Information]"), 1);
  EXPECT_TRUE(log.Contains("Command: (25H) Read Capacity\r\n"));
}

TEST_F(ScsiDev, NoMediumGivesCapacityZeroWithoutReport) {
  SimBus bus(DeviceEntry(1, "disk"));
  SCSIDEV dev(0, 1, 0);
  EXPECT_EQ(dev.GetCapacity(), 0u);
  EXPECT_EQ(bus.Count(kReadCapacity), 0u);
  EXPECT_FALSE(log.Contains("[Error Information]"));
}

TEST_F(ScsiDev, ReadRaisesToWholeBlocksAndClearsTheTail) {
  SimBus bus(Disk(1, 100, 2048));
  SCSIDEV dev(0, 1, 0);
  std::vector<uint8_t> data(3 * 2048, 0x5A);
  ASSERT_TRUE(dev.Write(0, data.data(), 3 * 2048));
  bus.Clear();
  std::vector<uint8_t> buffer(3 * 2048, 0xEE);
  ASSERT_TRUE(dev.Read(0, buffer.data(), 5000));
  auto reads = bus.Commands(kRead10);
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(Lba(reads[0]), 0u);
  EXPECT_EQ(Blocks10(reads[0]), 3u);
  EXPECT_EQ(reads[0].head.bufLen, 6144u);
  for (size_t i = 0; i < 5000; ++i) ASSERT_EQ(buffer[i], 0x5A) << i;
  for (size_t i = 5000; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0) << i;
  EXPECT_EQ(dev.GetAddress(), 3u);
  EXPECT_EQ(dev.TransferredBytes(), 2u * 6144);  // the write before and the read
}

TEST_F(ScsiDev, WriteFillsTheFragmentWithZerosAndCutsPieces) {
  SimBus bus(Disk(1, 100, 2048));
  SCSIDEV dev(0, 1, 0);
  std::vector<uint8_t> buffer(17 * 2048, 0x5A);
  ASSERT_TRUE(dev.Write(4, buffer.data(), 16 * 2048 + 100));
  EXPECT_EQ(CountEntries("SCSIDEV::Fragment is filled with 0\n"), 1);
  auto writes = bus.Commands(kWrite10);
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].Cdb(), (std::vector<uint8_t>{0x2A, 0, 0, 0, 0, 4, 0, 0, 16, 0}));
  EXPECT_EQ(writes[0].head.bufLen, 32768u);
  EXPECT_EQ(writes[1].Cdb(), (std::vector<uint8_t>{0x2A, 0, 0, 0, 0, 20, 0, 0, 1, 0}));
  ASSERT_EQ(writes[1].data.size(), 2048u);
  for (size_t i = 0; i < 100; ++i) ASSERT_EQ(writes[1].data[i], 0x5A) << i;
  for (size_t i = 100; i < 2048; ++i) ASSERT_EQ(writes[1].data[i], 0) << i;
  EXPECT_EQ(dev.GetAddress(), 21u);
}

TEST_F(ScsiDev, PiecesOfBlocksThatDoNotDivide32KiBStayWhole) {
  SimBus bus(Disk(1, 100, 2048));
  SCSIDEV dev(0, 1, 0);
  bus.Script(kReadCapacity, 1, 1, {}, {0, 0, 0, 99, 0, 0, 0x09, 0x30});  // 100 blocks of 2352
  bus.Script(kRead10, 2, 1, {}, std::vector<uint8_t>(32768, 0x77));
  ASSERT_TRUE(dev.SetDevice());
  EXPECT_EQ(dev.BlocksPerTransfer(), 13);
  std::vector<uint8_t> buffer(18 * 2352, 0xEE);  // 40000 bytes raised to whole blocks
  ASSERT_TRUE(dev.Read(buffer.data(), 40000));
  auto reads = bus.Commands(kRead10);
  ASSERT_EQ(reads.size(), 2u);
  EXPECT_EQ(Lba(reads[0]), 0u);
  EXPECT_EQ(Blocks10(reads[0]), 13u);
  EXPECT_EQ(reads[0].head.bufLen, 13u * 2352);
  EXPECT_EQ(Lba(reads[1]), 13u);
  EXPECT_EQ(Blocks10(reads[1]), 5u);
  EXPECT_EQ(reads[1].head.bufLen, 5u * 2352);
  for (size_t i = 0; i < 40000; ++i) ASSERT_EQ(buffer[i], 0x77) << i;
  for (size_t i = 40000; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0) << i;
  EXPECT_EQ(dev.GetAddress(), 18u);
}

TEST_F(ScsiDev, ReadRetriesWithRetryLinesAndReports) {
  SimBus bus(Disk(1, 100, 2048, "\"faults\": [" + SenseFault(kRead10, "03/11/00", 2) + "]"));
  SCSIDEV dev(0, 1, 0);
  std::vector<uint8_t> buffer(2048);
  ASSERT_TRUE(dev.Read(7, buffer.data(), 2048));
  EXPECT_EQ(bus.Count(kRead10), 3u);
  EXPECT_EQ(CountEntries("[SCSIDEV::Read] - Retry 1/10"), 1);
  EXPECT_EQ(CountEntries("[SCSIDEV::Read] - Retry 2/10"), 1);
  EXPECT_EQ(CountPrefixed("[SCSIDEV::Read] - Retry"), 2);
  EXPECT_EQ(CountEntries(std::string("[Error Information]\r\nSCSI Address: 0,1,0\r\nDevice: ") + kDiskName +
                         "\r\nCommand: (28H) Read10\r\nAddress: 00000007H\r\nError Code: 3-11-00\r\n"
                         "Medium Error: Unrecovered read error.\r\n\r\n"),
            2);
  EXPECT_EQ(CountEntries("[SCSIDEV::Read] failed."), 0);
  EXPECT_EQ(dev.GetAddress(), 8u);
}

TEST_F(ScsiDev, ReadGivesUpAfterTheRetryCount) {
  SimBus bus(Disk(1, 100, 2048, "\"faults\": [" + SenseFault(kRead10, "03/11/00") + "]"));
  SCSIDEV dev(0, 1, 0);
  std::vector<uint8_t> buffer(2048);
  EXPECT_FALSE(dev.Read(7, buffer.data(), 2048));
  EXPECT_EQ(bus.Count(kRead10), 10u);
  EXPECT_EQ(CountPrefixed("[SCSIDEV::Read] - Retry"), 9);
  EXPECT_EQ(CountEntries("[SCSIDEV::Read] - Retry 9/10"), 1);
  EXPECT_EQ(CountEntries("[SCSIDEV::Read] failed."), 1);
  EXPECT_EQ(CountPrefixed("[Error Information]"), 10);
  EXPECT_EQ(dev.GetAddress(), 7u);
  EXPECT_EQ(dev.TransferredBytes(), 0u);
}

// A read of several pieces with the next piece's READ sent ahead, on a
// manager that queues such reads and on one that runs them at once: the same
// bytes, the same retries of a piece that fails, and the same failure once
// every attempt has failed. Ahead, a failed piece's READ may be followed by
// the next piece's before it is read again.
TEST_F(ScsiDev, ReadsSentAheadGiveTheSameBytesRetriesAndFailures) {
  struct Row {
    bool queued;
    uint32_t failing;  // the first READs that fail (0: none; 99: all)
    bool read;
    int retryLines;
  };
  const Row rows[] = {{false, 0, true, 0}, {true, 0, true, 0},  {false, 2, true, 2},
                      {true, 2, true, 1},  {false, 99, false, 9}, {true, 99, false, 9}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.queued) + " " + std::to_string(row.failing));
    const int retriesBefore = CountPrefixed("[SCSIDEV::Read] - Retry");
    const int failuresBefore = CountEntries("[SCSIDEV::Read] failed.");
    const std::string fault = row.failing == 99 ? SenseFault(kRead10, "03/11/00") : SenseFault(kRead10, "03/11/00", row.failing);
    SimBus bus(Disk(1, 100, 2048, row.failing == 0 ? "" : "\"faults\": [" + fault + "]"));
    bus.QueueAhead(row.queued);
    SCSIDEV dev(0, 1, 0);
    std::vector<uint8_t> data(64 * 2048);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 131 + i / 2048);
    ASSERT_TRUE(dev.Write(0, data.data(), static_cast<uint32_t>(data.size())));
    bus.Clear();
    std::vector<uint8_t> buffer(data.size(), 0xEE);
    EXPECT_EQ(dev.Read(0, buffer.data(), static_cast<uint32_t>(buffer.size())), row.read);
    EXPECT_EQ(CountPrefixed("[SCSIDEV::Read] - Retry") - retriesBefore, row.retryLines);
    EXPECT_EQ(CountEntries("[SCSIDEV::Read] failed.") - failuresBefore, row.read ? 0 : 1);
    if (!row.read) continue;
    EXPECT_EQ(buffer, data);
    EXPECT_EQ(dev.GetAddress(), 64u);
    const auto reads = bus.Commands(kRead10);
    const size_t ahead = std::count_if(reads.begin(), reads.end(),
                                       [](const SentCommand& c) { return (c.head.flags & 0x80) != 0; });
    // A manager that runs them at once is sent one, then the pieces go the ordinary way.
    EXPECT_EQ(ahead > 1, row.queued) << ahead;
    // Every piece read, in order, but for a piece read again after a failure.
    uint32_t next = 0;
    for (const SentCommand& read : reads) {
      EXPECT_LE(Lba(read), next);
      EXPECT_EQ(Blocks10(read), 16u);
      next = std::max(next, Lba(read) + 16);
    }
    EXPECT_EQ(next, 64u);
  }
}

TEST_F(ScsiDev, WriteGivesUpAfterTheRetryCount) {
  SimBus bus(Disk(1, 100, 2048, "\"faults\": [" + SenseFault(kWrite10, "03/0C/00", 0, 2) + "]"));
  SCSIDEV dev(0, 1, 0);
  std::vector<uint8_t> buffer(2 * 32768);
  // The first piece goes through; the second fails every time.
  EXPECT_FALSE(dev.Write(0, buffer.data(), 2 * 32768));
  EXPECT_EQ(bus.Count(kWrite10), 11u);
  EXPECT_EQ(CountPrefixed("[SCSIDEV::Write] - Retry"), 9);
  EXPECT_EQ(CountEntries("[SCSIDEV::Write] failed."), 1);
  EXPECT_TRUE(log.Contains("Command: (2AH) Write 10\r\nAddress: 00000010H\r\nError Code: 3-0C-00\r\n"
                           "Medium Error: Write error.\r\n"));
  EXPECT_EQ(dev.GetAddress(), 16u);
  EXPECT_EQ(dev.TransferredBytes(), 32768u);
}

}  // namespace
