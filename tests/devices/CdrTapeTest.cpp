// SPDX-License-Identifier: GPL-3.0-or-later
// CDR_QRC880Z and SCSITAPE against the simulated CD write-once drive and
// tape drive: vendor pages and commands, free size, residues and filemarks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devices/CDR_QRC880Z.h"
#include "devices/SCSITAPE.h"
#include "host/ui/MessageBox.h"
#include "tests/devices/DeviceTestSupport.h"
#include "tests/devices/SimBus.h"

namespace {

constexpr uint8_t kRead6 = 0x08, kStartStopUnit = 0x1B, kSynchronizeCache = 0x35, kModeSelect10 = 0x55,
                  kModeSense10 = 0x5A, kVendorSetup = 0xE6, kVendorControl = 0xE9;

std::string CdWo(int id, uint32_t sectors, const std::string& extra = "") {
  std::string entry = "\"medium\": {\"kind\": \"image\", \"sectors\": " + std::to_string(sectors) + "}";
  if (!extra.empty()) entry += ", " + extra;
  return DeviceEntry(id, "cd-wo", entry);
}

std::vector<uint8_t> VendorPage(uint8_t page, std::initializer_list<std::pair<size_t, uint8_t>> bytes) {
  std::vector<uint8_t> list(24, 0);
  list[7] = 8;
  list[14] = 0x08;
  list[16] = page;
  list[17] = 6;
  for (auto [offset, value] : bytes) list[offset] = value;
  return list;
}

using Cdr = DeviceTest;

TEST_F(Cdr, SetWritingConfigSendsBothVendorPagesAndTheSetupCommand) {
  SimBus bus(CdWo(2, 1002));
  CDR_QRC880Z dev(0, 2, 0);
  EXPECT_EQ(dev.ClassCode(), 0x8001);
  EXPECT_EQ(dev.GetDeviceType(), 4);
  ASSERT_TRUE(dev.SetWritingConfig(123456, 1, 0));
  auto senses = bus.Commands(kModeSense10);
  ASSERT_EQ(senses.size(), 2u);
  EXPECT_EQ(senses[0].head.cdb[2], 0x23);
  EXPECT_EQ(senses[1].head.cdb[2], 0x20);
  auto selects = bus.Commands(kModeSelect10);
  ASSERT_EQ(selects.size(), 2u);
  EXPECT_EQ(selects[0].head.cdb[8], 24);
  EXPECT_EQ(selects[0].data, VendorPage(0x23, {{18, 0x04}, {19, 0x01}}));
  EXPECT_EQ(selects[1].data, VendorPage(0x20, {{21, 0x08}}));
  auto setup = bus.Commands(kVendorSetup);
  ASSERT_EQ(setup.size(), 1u);
  EXPECT_EQ(setup[0].Cdb(), (std::vector<uint8_t>{0xE6, 0, 0, 0, 0, 0, 0x02, 0, 0, 0}));
  // The sector count appears in no command.
  for (const auto& command : bus.Commands())
    for (size_t i = 1; i + 2 < command.head.cdbLength; ++i)
      EXPECT_FALSE(command.head.cdb[i] == 0x01 && command.head.cdb[i + 1] == 0xE2 && command.head.cdb[i + 2] == 0x40);
  EXPECT_EQ(Find("[CDR_QRC880Z::SetWritingConfig] begin.") + 1, Find("[CDR_QRC880Z::SetWritingMode] begin."));
  EXPECT_EQ(CountEntries("[CDR_QRC880Z::SetWritingMode] done."), 1);
  EXPECT_EQ(CountEntries("[CDR_QRC880Z::SetWritingConfig] done."), 1);
}

TEST_F(Cdr, ARealWriteClearsTheTestFlag) {
  SimBus bus(CdWo(2, 1002));
  CDR_QRC880Z dev(0, 2, 0);
  ASSERT_TRUE(dev.SetWritingMode(0));
  auto selects = bus.Commands(kModeSelect10);
  ASSERT_EQ(selects.size(), 1u);
  EXPECT_EQ(selects[0].data, VendorPage(0x23, {{18, 0x04}}));
}

TEST_F(Cdr, AFailedWritingModeIsATestModeSettingError) {
  SimBus bus(CdWo(2, 1002, "\"faults\": [" + SenseFault(kModeSense10, "05/24/00") + "]"));
  CDR_QRC880Z dev(0, 2, 0);
  ui.Expect(
      "[Error Information]\r\nSCSI Address: 0,2,0\r\nDevice: HALVERN CD-WO QRC880Z   1.20\r\n"
      "Command: (5AH) Mode Sense 10\r\nAddress: 00000000H\r\nError Code: 5-24-00\r\n"
      "Illegal Request: Invalid fileld in command packet.\r\n\r\n",
      "Error Information", ui::kOk | ui::kIconError, ui::kIdOk);
  ui.Expect("Test mode setting error.", "Error", ui::kOk | ui::kIconError, ui::kIdOk);
  EXPECT_FALSE(dev.SetWritingConfig(100, 1, 0));
  EXPECT_EQ(bus.Count(kModeSelect10), 0u);
}

TEST_F(Cdr, AFailedSetupCommandStopsTheUnit) {
  SimBus bus(CdWo(2, 1002, "\"faults\": [" + SenseFault(kVendorSetup, "04/44/00") + "]"));
  CDR_QRC880Z dev(0, 2, 0);
  ui.Expect(
      "[Error Information]\r\nSCSI Address: 0,2,0\r\nDevice: HALVERN CD-WO QRC880Z   1.20\r\n"
      "Command: (E6H) \r\nAddress: 00000000H\r\nError Code: 4-44-00\r\n"
      "Hardware Error: Internal controller error.\r\n\r\n",
      "Error Information", ui::kOk | ui::kIconError, ui::kIdOk);
  EXPECT_FALSE(dev.SetWritingConfig(100, 0, 0));
  auto stop = bus.Commands(kStartStopUnit);
  ASSERT_EQ(stop.size(), 1u);
  EXPECT_EQ(stop[0].head.cdb[4], 0);
  EXPECT_EQ(CountEntries("[CDR_QRC880Z::SetWritingConfig] done."), 1);
}

TEST_F(Cdr, FreeSizeLeavesThreeBlocks) {
  SimBus bus(CdWo(2, 1002) + "," + CdWo(3, 2));
  CDR_QRC880Z big(0, 2, 0);
  EXPECT_EQ(big.GetFreeSize(), 2045952u);
  CDR_QRC880Z tiny(0, 3, 0);
  EXPECT_EQ(tiny.GetFreeSize(), 0u);
  EXPECT_EQ(tiny.LastLba(), 1u);
  EXPECT_FALSE(log.Contains("GetFreeSize"));
}

TEST_F(Cdr, FinishWriteFlushesAndSendsTheVendorCommand) {
  SimBus bus(CdWo(2, 1002));
  CDR_QRC880Z dev(0, 2, 0);
  EXPECT_TRUE(dev.FinishWrite());
  EXPECT_EQ(bus.Count(kSynchronizeCache), 1u);
  auto control = bus.Commands(kVendorControl);
  ASSERT_EQ(control.size(), 1u);
  EXPECT_EQ(control[0].Cdb(), (std::vector<uint8_t>{0xE9, 0, 0, 0, 0, 0, 0, 0, 0x0B, 0}));
  EXPECT_EQ(Find("CDR_QRC880Z::FinishWrite()") + 1, Find("CDR_QRC880Z::FinishWrite() done."));
}

TEST_F(Cdr, FinishWriteFailsWhenTheVendorCommandFails) {
  SimBus bus(CdWo(2, 1002, "\"faults\": [" + SenseFault(kVendorControl, "04/44/00") + "]") + "," +
             CdWo(3, 1002, "\"faults\": [" + SenseFault(kSynchronizeCache, "03/0C/00") + "]"));
  CDR_QRC880Z dev(0, 2, 0);
  EXPECT_FALSE(dev.FinishWrite());
  EXPECT_EQ(CountEntries("CDR_QRC880Z::FinishWrite() failed."), 1);
  bus.Clear();
  CDR_QRC880Z flushFails(0, 3, 0);
  EXPECT_FALSE(flushFails.FinishWrite());
  EXPECT_EQ(bus.Count(kVendorControl), 0u);
  EXPECT_EQ(CountEntries("CDR_QRC880Z::FinishWrite() failed."), 1);
}

std::string Tape(int id, const std::string& medium, const std::string& extra = "") {
  std::string entry = "\"medium\": {\"kind\": \"image\", \"path\": \"tape.bin\"" + medium + "}";
  if (!extra.empty()) entry += ", " + extra;
  return DeviceEntry(id, "tape", entry);
}

std::string TapeBytes(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
  return bytes;
}

uint32_t Length6(const SentCommand& c) { return c.head.cdb[2] << 16 | c.head.cdb[3] << 8 | c.head.cdb[4]; }

using Tapes = DeviceTest;

TEST_F(Tapes, AFilemarkCountsTheBytesBeforeItAndTheReadGoesOn) {
  SimBus bus(Tape(3, ", \"filemarks\": [1000]"));
  std::string bytes = TapeBytes(70000);
  bus.Dir().Write("tape.bin", bytes);
  SCSITAPE dev(0, 3, 0);
  EXPECT_EQ(dev.ClassCode(), 1);
  EXPECT_EQ(dev.GetDeviceType(), 1);
  std::vector<uint8_t> buffer(65536);
  ASSERT_TRUE(dev.Read(buffer.data(), 65536));
  auto reads = bus.Commands(kRead6);
  ASSERT_EQ(reads.size(), 3u);
  EXPECT_EQ(reads[0].Cdb(), (std::vector<uint8_t>{0x08, 0, 0x00, 0x80, 0x00, 0}));  // variable length
  EXPECT_EQ(reads[0].head.bufLen, 32768u);
  EXPECT_EQ(Length6(reads[1]), 32768u);  // 65536 - 1000 outstanding
  EXPECT_EQ(Length6(reads[2]), 65536u - 1000 - 32768);
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), bytes.substr(0, 65536));
  EXPECT_EQ(dev.TransferredBytes(), 65536u);
  EXPECT_EQ(dev.RetryCount(), 1);
  EXPECT_EQ(CountEntries("Tape - Read"), 1);
  EXPECT_FALSE(log.Contains("[Error Information]"));
}

TEST_F(Tapes, ShortRecordsAreCountedByTheirResidue) {
  SimBus bus(Tape(3, ", \"record_size\": 5000"));
  std::string bytes = TapeBytes(20000);
  bus.Dir().Write("tape.bin", bytes);
  SCSITAPE dev(0, 3, 0);
  std::vector<uint8_t> buffer(12000);
  ASSERT_TRUE(dev.Read(buffer.data(), 12000));
  auto reads = bus.Commands(kRead6);
  ASSERT_EQ(reads.size(), 3u);
  EXPECT_EQ(Length6(reads[0]), 12000u);
  EXPECT_EQ(Length6(reads[1]), 7000u);
  EXPECT_EQ(Length6(reads[2]), 2000u);
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), bytes.substr(0, 12000));
  EXPECT_EQ(dev.TransferredBytes(), 12000u);
}

TEST_F(Tapes, AMediumErrorIsReportedOnceWithTheCurrentPoint) {
  SimBus bus(Tape(3, "", "\"faults\": [" + SenseFault(kRead6, "03/11/00", 0, 2) + "]"));
  bus.Dir().Write("tape.bin", TapeBytes(70000));
  SCSITAPE dev(0, 3, 0);
  std::vector<uint8_t> buffer(4096);
  ASSERT_TRUE(dev.Read(buffer.data(), 1000));
  EXPECT_FALSE(dev.Read(buffer.data(), 4096));
  EXPECT_EQ(bus.Count(kRead6), 2u);
  EXPECT_EQ(CountEntries("[Error Information]\r\nSCSI Address: 0,3,0\r\nDevice: ORBITEK DAT TD-40 TAPE  4.01\r\n"
                         "Command: (08H) Read6\r\nCurrentPoint: 00000000-000003E8\r\nError Code: 3-11-00\r\n"
                         "Medium Error: Unrecovered read error.\r\n\r\n"),
            1);
  EXPECT_EQ(CountPrefixed("[Error Information]"), 1);
}

TEST_F(Tapes, TheEndOfDataEndsTheRead) {
  SimBus bus(Tape(3, ""));
  bus.Dir().Write("tape.bin", TapeBytes(1000));
  SCSITAPE dev(0, 3, 0);
  std::vector<uint8_t> buffer(4096);
  EXPECT_FALSE(dev.Read(buffer.data(), 4096));
  EXPECT_EQ(bus.Count(kRead6), 1u);
  EXPECT_EQ(dev.TransferredBytes(), 1000u);
  EXPECT_TRUE(log.Contains("CurrentPoint: 00000000-000003E8\r\nError Code: 48-00-05\r\n"));
}

TEST_F(Tapes, FilemarksWithoutDataEndTheReadAfterABound) {
  std::string marks = ", \"filemarks\": [0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0]";
  SimBus bus(Tape(3, marks));
  bus.Dir().Write("tape.bin", TapeBytes(4096));
  SCSITAPE dev(0, 3, 0);
  std::vector<uint8_t> buffer(4096);
  EXPECT_FALSE(dev.Read(buffer.data(), 4096));
  EXPECT_EQ(bus.Count(kRead6), static_cast<size_t>(SCSITAPE::kEmptyAnswerLimit));
  EXPECT_EQ(CountEntries("[SCSITAPE::Read] No data after 10 reads."), 1);
  EXPECT_EQ(CountPrefixed("[Error Information]"), 1);
  EXPECT_EQ(dev.TransferredBytes(), 0u);
}

TEST_F(Tapes, FreeSizeAndFinishWriteAreTheBases) {
  SimBus bus(Tape(3, ""));
  bus.Dir().Write("tape.bin", TapeBytes(4096));
  SCSITAPE dev(0, 3, 0);
  // The tape drive has no capacity to tell: READ CAPACITY is refused.
  EXPECT_EQ(dev.GetFreeSize(), 0u);
  EXPECT_EQ(CountEntries("SCSIDEV::GetFreeSize()"), 1);
  EXPECT_TRUE(log.Contains("Command: (25H) Read Capacity\r\nCurrentPoint: 00000000-00000000\r\n"
                           "Error Code: 5-20-00\r\nIllegal Request: Invalid command operation code.\r\n"));
  EXPECT_FALSE(dev.FinishWrite());
  EXPECT_EQ(bus.Count(kSynchronizeCache), 1u);
  EXPECT_EQ(CountEntries("SCSIDEV::FinishWrite() failed."), 1);
}

TEST_F(Tapes, ATapeHasNoAddresses) {
  SimBus bus(Tape(3, ""));
  bus.Dir().Write("tape.bin", TapeBytes(4096));
  SCSITAPE dev(0, 3, 0);
  std::vector<uint8_t> buffer(4096);
  EXPECT_FALSE(dev.Read(0, buffer.data(), 4096));
  EXPECT_EQ(bus.Count(kRead6), 0u);
}

}  // namespace
