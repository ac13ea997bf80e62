// SPDX-License-Identifier: GPL-3.0-or-later
// SCSIDVDR100 and SCSIDVDRW against the simulated writers: the parameter
// data that reaches the drive, strict write retries, free size, finishing.
#include <gtest/gtest.h>

#include <cctype>
#include <vector>

#include "devices/SCSIDVDR100.h"
#include "devices/SCSIDVDRW.h"
#include "host/ui/MessageBox.h"
#include "tests/devices/DeviceTestSupport.h"
#include "tests/devices/SimBus.h"

namespace {

constexpr uint8_t kTestUnitReady = 0x00, kStartStopUnit = 0x1B, kPreventAllow = 0x1E, kWrite10 = 0x2A,
                  kSynchronizeCache = 0x35, kReadTrackInformation = 0x52, kReserveRZone = 0x53,
                  kModeSelect10 = 0x55, kModeSense10 = 0x5A, kSendDvdStructure = 0xBF;

// The write parameters page as the simulated writer returns it, with byte 18
// (write type and test bit) as given: header, block descriptor, page 05h.
std::vector<uint8_t> WriteParameters(uint8_t byte18) {
  std::vector<uint8_t> list(68, 0);
  list[7] = 8;      // block descriptor length
  list[14] = 0x08;  // block length 2048
  list[16] = 0x05;
  list[17] = 0x32;
  list[18] = byte18;
  list[19] = 0x05;
  list[20] = 0x08;
  return list;
}

std::string Writer(int id, const std::string& model, const std::string& extra = "") {
  std::string entry = BlankDisc("dvd-r");
  if (!extra.empty()) entry += ", " + extra;
  return DeviceEntry(id, model, entry);
}

using DvdWriter = DeviceTest;

TEST_F(DvdWriter, SetWritingConfigSendsTheWriteParametersRZoneAndStructures) {
  SimBus bus(Writer(4, "qxw7100"));
  SCSIDVDR100 dev(0, 4, 0);
  EXPECT_EQ(dev.ClassCode(), 0x8011);
  EXPECT_EQ(dev.GetDeviceType(), 5);
  ASSERT_TRUE(dev.SetWritingConfig(1000, 1, 0));

  auto senses = bus.Commands(kModeSense10);
  ASSERT_EQ(senses.size(), 1u);
  EXPECT_EQ(senses[0].Cdb(), (std::vector<uint8_t>{0x5A, 0, 0x05, 0, 0, 0, 0, 0x08, 0, 0}));
  auto selects = bus.Commands(kModeSelect10);
  ASSERT_EQ(selects.size(), 1u);
  EXPECT_EQ(selects[0].Cdb(), (std::vector<uint8_t>{0x55, 0x10, 0, 0, 0, 0, 0, 0, 68, 0}));
  EXPECT_EQ(selects[0].data, WriteParameters(0x12));  // test write, write type 2

  auto reserve = bus.Commands(kReserveRZone);
  ASSERT_EQ(reserve.size(), 1u);
  EXPECT_EQ(reserve[0].Cdb(), (std::vector<uint8_t>{0x53, 0, 0, 0, 0, 0, 0, 0x03, 0xE8, 0}));

  auto structures = bus.Commands(kSendDvdStructure);
  ASSERT_EQ(structures.size(), 2u);
  EXPECT_EQ(structures[0].Cdb(), (std::vector<uint8_t>{0xBF, 0, 0, 0, 0, 0, 0, 0x05, 0, 8, 0, 0}));
  EXPECT_EQ(structures[0].data, (std::vector<uint8_t>{0, 6, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(structures[1].Cdb(), (std::vector<uint8_t>{0xBF, 0, 0, 0, 0, 0, 0, 0x0F, 0, 20, 0, 0}));
  ASSERT_EQ(structures[1].data.size(), 20u);
  EXPECT_EQ(std::vector<uint8_t>(structures[1].data.begin(), structures[1].data.begin() + 6),
            (std::vector<uint8_t>{0, 0x12, 0, 0, 0, 0}));
  std::string stamp(structures[1].data.begin() + 6, structures[1].data.end());
  for (char c : stamp) EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(c))) << stamp;
  EXPECT_EQ(stamp.substr(0, 2), "20");

  EXPECT_EQ(Find("[SCSIDVDR100::SetWritingConfig] begin.") + 1, Find("[TestWrite10] begin."));
  EXPECT_EQ(CountEntries("[TestWrite10] done."), 1);
  EXPECT_EQ(CountEntries("[SCSIDVDR100::SetWritingConfig] done."), 1);
}

TEST_F(DvdWriter, ARealWriteClearsTheTestBit) {
  SimBus bus(Writer(5, "dvdrw-writer"));
  SCSIDVDRW dev(0, 5, 0);
  EXPECT_EQ(dev.ClassCode(), 0x8020);
  ASSERT_TRUE(dev.TestWrite10(1));
  ASSERT_TRUE(dev.TestWrite10(0));
  auto selects = bus.Commands(kModeSelect10);
  ASSERT_EQ(selects.size(), 2u);
  EXPECT_EQ(selects[1].data, WriteParameters(0x02));
}

TEST_F(DvdWriter, AnUnsupportedDiscIsEjected) {
  SimBus bus(Writer(4, "qxw7100", "\"faults\": [" + SenseFault(kReserveRZone, "05/30/00") + "]"));
  SCSIDVDR100 dev(0, 4, 0);
  const char* message = "This disc is not supported for write.\r\nPlease change the disc to the appropriate disc.";
  ui.Expect(message, "Error Information", ui::kOk | ui::kIconError, ui::kIdOk);
  EXPECT_FALSE(dev.SetWritingConfig(1000, 0, 0));
  auto allow = bus.Commands(kPreventAllow);
  ASSERT_EQ(allow.size(), 1u);
  EXPECT_EQ(allow[0].head.cdb[4], 0);
  auto eject = bus.Commands(kStartStopUnit);
  ASSERT_EQ(eject.size(), 1u);
  EXPECT_EQ(eject[0].head.cdb[4], 0x02);
  EXPECT_EQ(CountEntries(message), 1);
  EXPECT_EQ(bus.Count(kSendDvdStructure), 0u);
}

TEST_F(DvdWriter, OtherReservationErrorsAreReportedWithABox) {
  SimBus bus(Writer(4, "qxw7100", "\"faults\": [" + SenseFault(kReserveRZone, "03/0C/00") + "]"));
  SCSIDVDR100 dev(0, 4, 0);
  ui.Expect(
      "[Error Information]\r\nSCSI Address: 0,4,0\r\nDevice: HALVERN DVD-R QXW-7100  1.07\r\n"
      "Command: (53H) Reserve R Zone\r\nAddress: 00000000H\r\nError Code: 3-0C-00\r\nMedium Error: Write error.\r\n\r\n",
      "Error Information", ui::kOk | ui::kIconError, ui::kIdOk);
  EXPECT_FALSE(dev.SetWritingConfig(1000, 0, 0));
  EXPECT_EQ(bus.Count(kStartStopUnit), 0u);
}

TEST_F(DvdWriter, AFailedModeSelectIsATestModeSettingError) {
  SimBus bus(Writer(4, "qxw7100", "\"faults\": [" + SenseFault(kModeSelect10, "05/26/00") + "]"));
  SCSIDVDR100 dev(0, 4, 0);
  ui.Expect(
      "[Error Information]\r\nSCSI Address: 0,4,0\r\nDevice: HALVERN DVD-R QXW-7100  1.07\r\n"
      "Command: (55H) Mode Select 10\r\nAddress: 00000000H\r\nError Code: 5-26-00\r\n"
      "Illegal Request: Invalid field in parameter list.\r\n\r\n",
      "Error Information", ui::kOk | ui::kIconError, ui::kIdOk);
  ui.Expect("Test mode setting error.", "Error", ui::kOk | ui::kIconError, ui::kIdOk);
  EXPECT_FALSE(dev.SetWritingConfig(1000, 1, 0));
  EXPECT_EQ(bus.Count(kReserveRZone), 0u);
}

TEST_F(DvdWriter, AUnitAttentionOnTheWriteParametersIsAccepted) {
  SimBus bus(Writer(4, "qxw7100", "\"faults\": [" + SenseFault(kModeSelect10, "06/29/00", 1) + "]"));
  SCSIDVDR100 dev(0, 4, 0);
  EXPECT_TRUE(dev.TestWrite10(0));
  EXPECT_EQ(bus.Count(kModeSelect10), 1u);
  EXPECT_EQ(CountEntries("[TestWrite10] done."), 1);
  EXPECT_FALSE(log.Contains("[Error Information]"));
}

TEST_F(DvdWriter, WriteFillsTheTailSilentlyAndWritesInPieces) {
  SimBus bus(Writer(4, "qxw7100"));
  SCSIDVDR100 dev(0, 4, 0);
  ASSERT_TRUE(dev.SetWritingConfig(17, 0, 0));
  std::vector<uint8_t> buffer(17 * 2048, 0x5A);
  ASSERT_TRUE(dev.Write(0, buffer.data(), 16 * 2048 + 100));
  EXPECT_FALSE(log.Contains("Fragment"));
  auto writes = bus.Commands(kWrite10);
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].Cdb(), (std::vector<uint8_t>{0x2A, 0, 0, 0, 0, 0, 0, 0, 16, 0}));
  EXPECT_EQ(writes[1].Cdb(), (std::vector<uint8_t>{0x2A, 0, 0, 0, 0, 16, 0, 0, 1, 0}));
  ASSERT_EQ(writes[1].data.size(), 2048u);
  EXPECT_EQ(writes[1].data[99], 0x5A);
  for (size_t i = 100; i < 2048; ++i) ASSERT_EQ(writes[1].data[i], 0) << i;
  EXPECT_EQ(dev.GetAddress(), 17u);
}

TEST_F(DvdWriter, WriteStopsAtOnceWhenTheDriveGivesSense) {
  SimBus bus(Writer(4, "qxw7100", "\"faults\": [" + SenseFault(kWrite10, "03/0C/00") + "]"));
  SCSIDVDR100 dev(0, 4, 0);
  ASSERT_TRUE(dev.SetWritingConfig(100, 0, 0));
  std::vector<uint8_t> buffer(32768);
  EXPECT_FALSE(dev.Write(0, buffer.data(), 32768));
  EXPECT_EQ(bus.Count(kWrite10), 1u);
  EXPECT_EQ(CountEntries("[SCSIDVDR100::Write] failed."), 1);
  EXPECT_EQ(CountEntries("transBytes: 32768, transBlocks: 16"), 1);
  EXPECT_EQ(CountPrefixed("[Error Information]"), 1);
  EXPECT_EQ(dev.GetAddress(), 0u);
}

TEST_F(DvdWriter, ACompletedWriteWithSenseIsNotRetried) {
  SimBus bus(Writer(4, "qxw7100"));
  SCSIDVDR100 dev(0, 4, 0);
  ASSERT_TRUE(dev.SetWritingConfig(100, 0, 0));
  bus.Script(kWrite10, 1, 1, SenseBytes(1, 0x0C, 0x00), {});
  std::vector<uint8_t> buffer(2048);
  EXPECT_FALSE(dev.Write(0, buffer.data(), 2048));
  EXPECT_EQ(bus.Count(kWrite10), 1u);
  EXPECT_EQ(CountEntries("[SCSIDEVR100::Write] failed."), 1);
  EXPECT_EQ(CountEntries("transBytes: 2048, transBlocks: 1"), 1);
}

TEST_F(DvdWriter, WriteRetriesOnlyUnansweredRequests) {
  SimBus bus(Writer(4, "qxw7100", R"("faults": [{"kind": "busy", "opcode": 42, "first": 2}])"));
  SCSIDVDR100 dev(0, 4, 0);
  ASSERT_TRUE(dev.SetWritingConfig(100, 0, 0));
  ui.Expect("ASPI is busy.", "Interrupt", ui::kOk, ui::kIdOk);
  ui.Expect("ASPI is busy.", "Interrupt", ui::kOk, ui::kIdOk);
  std::vector<uint8_t> buffer(2048, 7);
  EXPECT_TRUE(dev.Write(0, buffer.data(), 2048));
  // Each busy answer is asked again at once; the drive saw one WRITE.
  EXPECT_EQ(CountPrefixed("[SCSI] The SCSI manager is busy; the command is sent again"), 2);
  EXPECT_EQ(CountPrefixed("[SCSIDVDR100::Write] - Retry"), 0);
  EXPECT_EQ(dev.GetAddress(), 1u);
}

TEST_F(DvdWriter, WriteWithoutDiscReportsWithABox) {
  SimBus bus(DeviceEntry(4, "qxw7100"));
  SCSIDVDR100 dev(0, 4, 0);
  ui.Expect("[Error Information]\r\nSCSI Address: 0,4,0\r\nDevice: HALVERN DVD-R QXW-7100  1.07\r\n"
            "Medium not present.\r\n\r\n",
            "Error Information", ui::kOk | ui::kIconError, ui::kIdOk);
  std::vector<uint8_t> buffer(2048);
  EXPECT_FALSE(dev.Write(buffer.data(), 2048));
  EXPECT_EQ(CountEntries("Error in SetDevice()"), 1);
  EXPECT_EQ(bus.Count(kWrite10), 0u);
}

TEST_F(DvdWriter, FreeSizeOfABlankDiscAndOfAReservedZone) {
  SimBus bus(Writer(4, "qxw7100"));
  SCSIDVDR100 dev(0, 4, 0);
  EXPECT_EQ(dev.GetFreeSize(), 2298496ull * 2048);
  auto info = bus.Commands(kReadTrackInformation);
  ASSERT_EQ(info.size(), 1u);
  EXPECT_EQ(info[0].Cdb(), (std::vector<uint8_t>{0x52, 0, 0, 0, 0, 0, 0, 0x08, 0, 0}));
  ASSERT_TRUE(dev.SetWritingConfig(1000, 0, 0));
  EXPECT_EQ(dev.GetFreeSize(), 1000ull * 2048);
}

TEST_F(DvdWriter, AShortRZoneReplyGivesNoFreeSize) {
  SimBus bus(Writer(4, "qxw7100"));
  SCSIDVDR100 dev(0, 4, 0);
  std::vector<uint8_t> reply(36, 0);
  reply[1] = 20;  // data length below 22
  reply[19] = 100;
  bus.Script(kReadTrackInformation, 1, 1, {}, reply);
  EXPECT_EQ(dev.GetFreeSize(), 0u);
  reply[1] = 22;
  bus.Script(kReadTrackInformation, 1, 1, {}, reply);
  EXPECT_EQ(dev.GetFreeSize(), 100u * 2048);
  reply[19] = 0;
  bus.Script(kReadTrackInformation, 1, 1, {}, reply);
  EXPECT_EQ(dev.GetFreeSize(), 0u);
}

TEST_F(DvdWriter, FreeSizeOfADriveThatDoesNotAnswer) {
  SimBus bus(DeviceEntry(4, "qxw7100"));
  SCSIDVDR100 empty(0, 4, 0);
  EXPECT_EQ(empty.GetFreeSize(), 0u);
  EXPECT_EQ(CountEntries("GetFreeSize() - device not enabled."), 1);
  SCSIDVDRW absent(0, 6, 0);
  EXPECT_EQ(absent.GetFreeSize(), 0u);
  EXPECT_EQ(CountEntries("GetFreeSize() - device not enabled."), 2);
  EXPECT_EQ(CountEntries("SCSIDVDRW::GetFreeSize()"), 1);
  EXPECT_EQ(bus.Count(kReadTrackInformation), 0u);
}

TEST_F(DvdWriter, FinishWriteRetriesTheFlush) {
  SimBus bus(Writer(4, "qxw7100", "\"faults\": [" + SenseFault(kSynchronizeCache, "02/04/08", 2) + "]"));
  SCSIDVDR100 dev(0, 4, 0);
  EXPECT_TRUE(dev.FinishWrite());
  auto flushes = bus.Commands(kSynchronizeCache);
  ASSERT_EQ(flushes.size(), 3u);
  EXPECT_EQ(flushes[0].head.cdb[1], 0);
  EXPECT_EQ(CountEntries("[SCSIDVDR100::FinishWrite] Retry 1/10"), 1);
  EXPECT_EQ(CountEntries("[SCSIDVDR100::FinishWrite] Retry 2/10"), 1);
  EXPECT_EQ(CountEntries("SCSIDVDR100::FinishWrite() done."), 1);
}

TEST_F(DvdWriter, FinishWriteGivesUpAfterTheRetryCount) {
  SimBus bus(Writer(4, "qxw7100", "\"faults\": [" + SenseFault(kSynchronizeCache, "03/0C/00") + "]"));
  SCSIDVDR100 dev(0, 4, 0);
  EXPECT_FALSE(dev.FinishWrite());
  EXPECT_EQ(bus.Count(kSynchronizeCache), 10u);
  EXPECT_EQ(CountEntries("[SCSIDVDR100::FinishWrite] failed."), 1);
  EXPECT_EQ(CountEntries("SCSIDVDR100::FinishWrite() done."), 0);
}

TEST_F(DvdWriter, TheGenericWriterWaitsForTheLongWrite) {
  SimBus bus(Writer(5, "dvdrw-writer", R"("faults": [{"kind": "not-ready", "polls": 3, "sense": "02/04/08"}])"));
  SCSIDVDRW dev(0, 5, 0);
  EXPECT_TRUE(dev.FinishWrite());
  auto flushes = bus.Commands(kSynchronizeCache);
  ASSERT_EQ(flushes.size(), 1u);
  EXPECT_EQ(flushes[0].head.cdb[1], 0x02);  // immediate
  EXPECT_EQ(bus.Count(kTestUnitReady), 4u);
  EXPECT_EQ(CountEntries("SCSIDVDRW::FinishWrite() done."), 1);
  EXPECT_FALSE(log.Contains("Flusc Cache time out."));
}

TEST_F(DvdWriter, ALongWriteThatNeverEndsTimesOut) {
  SimBus bus(Writer(5, "dvdrw-writer", R"("faults": [{"kind": "not-ready", "polls": 500, "sense": "02/04/08"}])"));
  SCSIDVDRW dev(0, 5, 0);
  EXPECT_FALSE(dev.FinishWrite());
  EXPECT_EQ(bus.Count(kTestUnitReady), 180u);  // 900 s in polls of 5 s
  EXPECT_EQ(CountEntries("Flusc Cache time out."), 1);
  EXPECT_EQ(CountEntries("SCSIDVDRW::FinishWrite() done."), 1);
}

TEST_F(DvdWriter, TheGenericWriterRecordsClosesAndThenHasNoFreeSpace) {
  SimBus bus(Writer(5, "dvdrw-writer"));
  SCSIDVDRW dev(0, 5, 0);
  EXPECT_EQ(dev.GetFreeSize(), 2298496ull * 2048);
  EXPECT_EQ(CountEntries("[SCSIDEV::ReadRZoneInformation] done."), 1);
  ASSERT_TRUE(dev.SetWritingConfig(32, 0, 0));
  std::vector<uint8_t> buffer(65536, 0x33);
  ASSERT_TRUE(dev.Write(0, buffer.data(), 65536));
  ASSERT_TRUE(dev.FinishWrite());
  EXPECT_EQ(dev.GetFreeSize(), 0u);
  EXPECT_EQ(CountEntries("Disc size is 0."), 1);
  std::vector<uint8_t> back(65536);
  ASSERT_TRUE(dev.Read(0, back.data(), 65536));
  EXPECT_EQ(back, buffer);
}

TEST_F(DvdWriter, TheGenericWriterUsesTheTwelveByteVendorForms) {
  SimBus bus(Writer(5, "dvdrw-writer"));
  SCSIDVDRW dev(0, 5, 0);
  uint8_t data[16] = {};
  dev.VendorRead(data, 16);
  dev.VendorWrite(data, 16);
  auto reads = bus.Commands(0xE9);
  auto writes = bus.Commands(0xEA);
  ASSERT_EQ(reads.size(), 1u);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(reads[0].head.cdbLength, 12);
  EXPECT_EQ(reads[0].head.cdb[9], 16);
  EXPECT_EQ(writes[0].head.cdbLength, 12);
  EXPECT_EQ(writes[0].head.cdb[9], 16);
}

}  // namespace
