// SPDX-License-Identifier: GPL-3.0-or-later
// SCSIDVDR090 (the first-generation QXW-7100) against the simulated writer,
// and IsDVDR against writers, readers and drives that refuse the page.
#include <gtest/gtest.h>

#include <vector>

#include "devices/IsDVDR.h"
#include "devices/SCSIDVDR090.h"
#include "host/ui/MessageBox.h"
#include "tests/devices/DeviceTestSupport.h"
#include "tests/devices/SimBus.h"

namespace {

constexpr uint8_t kModeSelect10 = 0x55, kModeSense10 = 0x5A, kRead12 = 0xA8, kWrite12 = 0xAA,
                  kSendDvdStructure = 0xBF;

std::string FirstGeneration(int id, const std::string& extra = "") {
  std::string entry = "\"revision\": \"0.95\", " + BlankDisc("dvd-r");
  if (!extra.empty()) entry += ", " + extra;
  return DeviceEntry(id, "qxw7100", entry);
}

using Dvdr090 = DeviceTest;

TEST_F(Dvdr090, SetWritingConfigAnnouncesTheEndOfTheMainDataArea) {
  SimBus bus(FirstGeneration(3));
  SCSIDVDR090 dev(0, 3, 0);
  EXPECT_EQ(dev.ClassCode(), 0x8010);
  EXPECT_EQ(dev.GetDeviceType(), 5);
  ASSERT_TRUE(dev.SetWritingConfig(3 * 32768 + 1, 1, 0));
  EXPECT_EQ(CountEntries("EndSectorInMain: 20000"), 1);
  EXPECT_EQ(CountEntries("[TestWrite09]"), 1);
  EXPECT_EQ(CountEntries("[TestWrite09] done."), 1);
  EXPECT_EQ(CountEntries("[SCSIDVDR090::SetWritingConfig] done."), 1);

  auto selects = bus.Commands(kModeSelect10);
  ASSERT_EQ(selects.size(), 1u);
  ASSERT_EQ(selects[0].data.size(), 68u);
  EXPECT_EQ(selects[0].data[0], 0);
  EXPECT_EQ(selects[0].data[1], 0);
  EXPECT_EQ(selects[0].data[16], 0x05);
  EXPECT_EQ(selects[0].data[18], 0x12);  // test bit set, write type as read
  EXPECT_EQ(selects[0].data[67], 0);

  auto structures = bus.Commands(kSendDvdStructure);
  ASSERT_EQ(structures.size(), 1u);
  EXPECT_EQ(structures[0].Cdb(), (std::vector<uint8_t>{0xBF, 0, 0, 0, 0, 0, 0, 0x00, 0, 0x18, 0, 0}));
  EXPECT_EQ(structures[0].data,
            (std::vector<uint8_t>{0x00, 0x16, 0x00, 0x00, 0x00, 0x12, 0x21, 0x02, 0x02, 0x11, 0x00, 0x03,
                                  0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
}

TEST_F(Dvdr090, TheTestBitIsClearedForARealWrite) {
  SimBus bus(FirstGeneration(3));
  SCSIDVDR090 dev(0, 3, 0);
  ASSERT_TRUE(dev.TestWrite09(1));
  ASSERT_TRUE(dev.TestWrite09(0));
  auto selects = bus.Commands(kModeSelect10);
  ASSERT_EQ(selects.size(), 2u);
  EXPECT_EQ(selects[1].data[18], 0x02);
  EXPECT_EQ(selects[1].data[21] & 0xF0, 0);
}

TEST_F(Dvdr090, ARefusedStructureIsReportedWithABox) {
  SimBus bus(FirstGeneration(3, "\"faults\": [" + SenseFault(kSendDvdStructure, "05/26/00") + "]"));
  SCSIDVDR090 dev(0, 3, 0);
  ui.Expect(
      "[Error Information]\r\nSCSI Address: 0,3,0\r\nDevice: HALVERN DVD-R QXW-7100  0.95\r\n"
      "Command: (BFH) Send DVD Structure\r\nAddress: 00000000H\r\nError Code: 5-26-00\r\n"
      "Illegal Request: Invalid field in parameter list.\r\n\r\n",
      "Error Information", ui::kOk | ui::kIconError, ui::kIdOk);
  EXPECT_FALSE(dev.SetWritingConfig(100, 0, 0));
  EXPECT_EQ(CountEntries("[SCSIDVDR090::SetWritingConfig] done."), 0);
}

TEST_F(Dvdr090, WriteSendsWholePiecesOf32KiBFromAddressZero) {
  SimBus bus(FirstGeneration(3));
  SCSIDVDR090 dev(0, 3, 0);
  ASSERT_TRUE(dev.SetWritingConfig(64, 0, 0));
  std::vector<uint8_t> buffer(65536, 0x6B);
  ASSERT_TRUE(dev.Write(0, buffer.data(), 32768 + 100));
  EXPECT_EQ(CountEntries("SCSIDVDR090::Fragment is filled with 0"), 1);
  auto writes = bus.Commands(kWrite12);
  ASSERT_EQ(writes.size(), 2u);
  for (const auto& write : writes) {
    EXPECT_EQ(write.Cdb(), (std::vector<uint8_t>{0xAA, 0, 0, 0, 0, 0, 0, 0, 0, 16, 0, 0}));
    EXPECT_EQ(write.head.bufLen, 32768u);
  }
  ASSERT_EQ(writes[1].data.size(), 32768u);
  EXPECT_EQ(writes[1].data[99], 0x6B);
  for (size_t i = 100; i < 32768; ++i) ASSERT_EQ(writes[1].data[i], 0) << i;
  EXPECT_EQ(dev.GetAddress(), 32u);
  EXPECT_EQ(dev.TransferredBytes(), 65536u);

  // The pieces landed one after another: READ(12) gives them back.
  std::vector<uint8_t> back(65536, 0xEE);
  ASSERT_TRUE(dev.Read(0, back.data(), 5000));
  auto reads = bus.Commands(kRead12);
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(reads[0].Cdb(), (std::vector<uint8_t>{0xA8, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0}));
  EXPECT_EQ(back[4999], 0x6B);
  EXPECT_EQ(back[5000], 0);
  EXPECT_EQ(back[6143], 0);
  EXPECT_EQ(back[6144], 0xEE);
}

TEST_F(Dvdr090, WriteRetriesOnlyUnansweredRequests) {
  SimBus bus(FirstGeneration(3, R"("faults": [{"kind": "busy", "opcode": 170, "first": 1}])"));
  SCSIDVDR090 dev(0, 3, 0);
  ASSERT_TRUE(dev.SetWritingConfig(16, 0, 0));
  ui.Expect("ASPI is busy.", "Interrupt", ui::kOk, ui::kIdOk);
  std::vector<uint8_t> buffer(32768);
  EXPECT_TRUE(dev.Write(0, buffer.data(), 32768));
  EXPECT_EQ(CountEntries("[SCSI] The SCSI manager is busy; the command is sent again (1/10)."), 1);
  EXPECT_EQ(CountPrefixed("[SCSIDVDR090::Write] - Retry"), 0);
}

TEST_F(Dvdr090, WriteStopsAtTheFirstSense) {
  SimBus bus(FirstGeneration(3, "\"faults\": [" + SenseFault(kWrite12, "03/0C/00") + "]"));
  SCSIDVDR090 dev(0, 3, 0);
  ASSERT_TRUE(dev.SetWritingConfig(16, 0, 0));
  std::vector<uint8_t> buffer(32768);
  EXPECT_FALSE(dev.Write(0, buffer.data(), 32768));
  EXPECT_EQ(bus.Count(kWrite12), 1u);
  EXPECT_EQ(CountEntries("[SCSIDEVR090::Write] failed."), 1);
  EXPECT_EQ(dev.GetAddress(), 0u);
}

TEST_F(Dvdr090, ReadRetriesWithItsOwnLines) {
  SimBus bus(FirstGeneration(3, "\"faults\": [" + SenseFault(kRead12, "03/11/00") + "]"));
  SCSIDVDR090 dev(0, 3, 0);
  std::vector<uint8_t> back(2048);
  EXPECT_FALSE(dev.Read(0, back.data(), 2048));
  EXPECT_EQ(bus.Count(kRead12), 10u);
  EXPECT_EQ(CountEntries("[SCSIDVDR090::Read] - Retry 1/10"), 1);
  EXPECT_EQ(CountEntries("[SCSIDVDR090::Read] failed"), 1);
}

TEST_F(Dvdr090, FreeSizeIsTheCapacity) {
  SimBus bus(FirstGeneration(3));
  SCSIDVDR090 dev(0, 3, 0);
  EXPECT_EQ(dev.GetFreeSize(), 2298496ull * 2048);
  EXPECT_EQ(CountEntries("SCSIDEV::GetFreeSize()"), 1);
}

TEST_F(Dvdr090, FinishWriteIsTheBaseCacheFlush) {
  SimBus bus(FirstGeneration(3));
  SCSIDVDR090 dev(0, 3, 0);
  ASSERT_TRUE(dev.SetWritingConfig(16, 0, 0));
  std::vector<uint8_t> buffer(32768, 0x21);
  ASSERT_TRUE(dev.Write(0, buffer.data(), 32768));
  EXPECT_TRUE(dev.FinishWrite());
  auto flushes = bus.Commands(0x35);
  ASSERT_EQ(flushes.size(), 1u);
  EXPECT_EQ(flushes[0].head.cdb[1], 0);  // not immediate
  EXPECT_EQ(Find("SCSIDEV::FinishWrite()") + 1, Find("SCSIDEV::FinishWrite() done."));
  // The closed disc holds what was written.
  EXPECT_EQ(dev.GetCapacity(), 16u * 2048);
}

using IsDvdr = DeviceTest;

TEST_F(IsDvdr, AWriterReportsDvdrWriting) {
  SimBus bus(DeviceEntry(5, "dvdrw-writer") + "," + DeviceEntry(2, "dvd-rom"));
  EXPECT_TRUE(IsDVDR(0, 5, 0));
  auto senses = bus.Commands(kModeSense10);
  ASSERT_EQ(senses.size(), 1u);
  EXPECT_EQ(senses[0].Cdb(), (std::vector<uint8_t>{0x5A, 0, 0x2A, 0, 0, 0, 0, 0x08, 0, 0}));
  EXPECT_TRUE(log.Contains("Feature Set Support & Version page"));
  EXPECT_FALSE(IsDVDR(0, 2, 0));
  EXPECT_EQ(bus.Count(kModeSense10), 2u);
}

TEST_F(IsDvdr, ARefusedPageLogsOneSenseLineWithoutRetry) {
  SimBus bus(DeviceEntry(5, "dvdrw-writer", "\"faults\": [" + SenseFault(kModeSense10, "05/24/00") + "]"));
  EXPECT_FALSE(IsDVDR(0, 5, 0));
  EXPECT_EQ(bus.Count(kModeSense10), 1u);
  EXPECT_EQ(CountEntries("5-24-00: Illegal Request: Invalid fileld in command packet.\n"), 1);
  EXPECT_EQ(CountPrefixed("[IsDVDR] Retry"), 0);
}

TEST_F(IsDvdr, ADriveThatIsNotReadyIsAskedAgain) {
  SimBus bus(DeviceEntry(5, "dvdrw-writer", "\"faults\": [" + SenseFault(kModeSense10, "02/04/01", 2) + "]"));
  EXPECT_TRUE(IsDVDR(0, 5, 0));
  EXPECT_EQ(bus.Count(kModeSense10), 3u);
  EXPECT_EQ(CountEntries("[IsDVDR] Retry(0)"), 1);
  EXPECT_EQ(CountEntries("[IsDVDR] Retry(1)"), 1);
  EXPECT_EQ(CountEntries("2-04-01: Not Ready: Logical unit not ready - in progress of becoming ready.\n"), 2);
}

TEST_F(IsDvdr, NoDeviceGivesUpAfterTenAttempts) {
  SimBus bus(DeviceEntry(5, "dvdrw-writer"));
  EXPECT_FALSE(IsDVDR(0, 6, 0));
  EXPECT_EQ(bus.Count(kModeSense10), 10u);
  EXPECT_EQ(CountEntries("[IsDVDR] Retry(9)"), 1);
}

TEST_F(IsDvdr, ABlockDescriptorLengthPastTheAreaIsNoPage) {
  SimBus bus(DeviceEntry(5, "dvdrw-writer"));
  std::vector<uint8_t> reply(2048, 0);
  reply[6] = 0xFF;  // descriptors claimed to run far past the 2048 bytes
  reply[7] = 0xF0;
  bus.Script(kModeSense10, 1, 1, {}, reply);
  EXPECT_FALSE(IsDVDR(0, 5, 0));
}

}  // namespace
