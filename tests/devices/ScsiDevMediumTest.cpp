// SPDX-License-Identifier: GPL-3.0-or-later
// SCSIDEV against the simulated bus: readiness, start/stop, finishing a
// write, firmware buffers, the disc information, sense and error reports.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "devices/SCSIDEV.h"
#include "host/ui/MessageBox.h"
#include "tests/devices/DeviceTestSupport.h"
#include "tests/devices/SimBus.h"

namespace {

constexpr uint8_t kTestUnitReady = 0x00, kStartStopUnit = 0x1B, kRead10 = 0x28, kSynchronizeCache = 0x35,
                  kWriteBuffer = 0x3B, kReadBuffer = 0x3C, kReadDiscInformation = 0x51;

std::string DiskWith(int id, const std::string& faults) {
  return DeviceEntry(id, "disk",
                     "\"medium\": {\"kind\": \"image\", \"sectors\": 100, \"block_size\": 2048}, \"faults\": [" +
                         faults + "]");
}

uint32_t Be24(const uint8_t* p) { return p[0] << 16 | p[1] << 8 | p[2]; }

using ScsiDevMedium = DeviceTest;

TEST_F(ScsiDevMedium, StartStopUnitWithoutMediumSucceedsAtOnce) {
  SimBus bus(DiskWith(1, SenseFault(kStartStopUnit, "02/3A/00")));
  SCSIDEV dev(0, 1, 0);
  EXPECT_TRUE(dev.StartStopUnit(2));
  auto sent = bus.Commands(kStartStopUnit);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Cdb(), (std::vector<uint8_t>{0x1B, 0, 0, 0, 0x02, 0}));
  EXPECT_EQ(CountPrefixed("[SCSIDEV::StartStopUnit]"), 0);
}

TEST_F(ScsiDevMedium, StartStopUnitCarriesThePowerConditionAndRetries) {
  SimBus bus(DiskWith(1, SenseFault(kStartStopUnit, "02/04/01", 2)));
  SCSIDEV dev(0, 1, 0);
  EXPECT_TRUE(dev.StartStopUnit(1, 3));
  auto sent = bus.Commands(kStartStopUnit);
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[2].head.cdb[4], 0x31);
  EXPECT_EQ(CountEntries("[SCSIDEV::StartStopUnit] - Retry 1/10"), 1);
  EXPECT_EQ(CountEntries("[SCSIDEV::StartStopUnit] - Retry 2/10"), 1);
  EXPECT_EQ(CountPrefixed("[Error Information]"), 2);
}

TEST_F(ScsiDevMedium, StartStopUnitFailsAfterTheRetryCount) {
  SimBus bus(DiskWith(1, SenseFault(kStartStopUnit, "05/24/00")));
  SCSIDEV dev(0, 1, 0);
  EXPECT_FALSE(dev.StartStopUnit(0));
  EXPECT_EQ(bus.Count(kStartStopUnit), 10u);
  EXPECT_EQ(CountPrefixed("[SCSIDEV::StartStopUnit] - Retry"), 9);
  EXPECT_EQ(CountEntries("[SCSIDEV::StartStopUnit] failed."), 1);
}

TEST_F(ScsiDevMedium, WaitReadyPollsUntilTheDriveIsReady) {
  SimBus bus(DiskWith(1, R"({"kind": "not-ready", "polls": 3})") + "," +
             DiskWith(2, R"({"kind": "not-ready", "polls": 5})"));
  SCSIDEV soon(0, 1, 0);
  EXPECT_TRUE(soon.WaitReady(1000));
  EXPECT_EQ(bus.Count(kTestUnitReady), 4u);
  bus.Clear();
  SCSIDEV late(0, 2, 0);
  EXPECT_FALSE(late.WaitReady(100));  // 100 / 100 + 1 polls
  EXPECT_EQ(bus.Count(kTestUnitReady), 2u);
}

TEST_F(ScsiDevMedium, WaitNoMediumSeesAnEmptyDrive) {
  SimBus bus(DeviceEntry(1, "disk") + "," + DiskWith(2, ""));
  SCSIDEV empty(0, 1, 0);
  EXPECT_TRUE(empty.WaitNoMedium(0));
  EXPECT_EQ(bus.Count(kTestUnitReady), 1u);
  bus.Clear();
  SCSIDEV loaded(0, 2, 0);
  EXPECT_FALSE(loaded.WaitNoMedium(200));
  EXPECT_EQ(bus.Count(kTestUnitReady), 3u);
}

TEST_F(ScsiDevMedium, FinishWriteFlushesTheCacheOnce) {
  SimBus bus(DiskWith(1, "") + "," + DiskWith(2, SenseFault(kSynchronizeCache, "03/0C/00")));
  SCSIDEV good(0, 1, 0);
  EXPECT_TRUE(good.FinishWrite());
  auto flushes = bus.Commands(kSynchronizeCache);
  ASSERT_EQ(flushes.size(), 1u);
  EXPECT_EQ(flushes[0].Cdb(), (std::vector<uint8_t>{0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Find("SCSIDEV::FinishWrite()") + 1, Find("SCSIDEV::FinishWrite() done."));
  SCSIDEV bad(0, 2, 0);
  EXPECT_FALSE(bad.FinishWrite());
  EXPECT_EQ(bus.Count(kSynchronizeCache), 2u);  // no retries
  EXPECT_EQ(CountEntries("SCSIDEV::FinishWrite() failed."), 1);
}

TEST_F(ScsiDevMedium, SetWritingConfigOfTheBaseRefuses) {
  SimBus bus(DiskWith(1, ""));
  SCSIDEV dev(0, 1, 0);
  ui.Expect("This is not DVD-R/RW", "Error", ui::kOk | ui::kIconError, ui::kIdOk);
  EXPECT_FALSE(dev.SetWritingConfig(100, 1, 0));
  EXPECT_EQ(CountEntries("This is not DVD-R/RW"), 1);
}

TEST_F(ScsiDevMedium, WriteBufferSendsPiecesOf32KiB) {
  SimBus bus(DeviceEntry(4, "qxw7100", BlankDisc("dvd-r")));
  SCSIDEV dev(0, 4, 0);
  std::vector<uint8_t> image(70000);
  std::iota(image.begin(), image.end(), uint8_t{1});
  ASSERT_TRUE(dev.WriteBuffer(5, 0, 0, image.data(), 70000));
  auto pieces = bus.Commands(kWriteBuffer);
  ASSERT_EQ(pieces.size(), 3u);
  const uint32_t sizes[] = {32768, 32768, 4464};
  const uint32_t offsets[] = {0, 32768, 65536};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(pieces[i].head.cdb[1], 5) << i;
    EXPECT_EQ(pieces[i].head.cdb[2], 0) << i;
    EXPECT_EQ(Be24(pieces[i].head.cdb + 3), offsets[i]) << i;
    EXPECT_EQ(Be24(pieces[i].head.cdb + 6), sizes[i]) << i;
    ASSERT_EQ(pieces[i].data.size(), sizes[i]) << i;
    EXPECT_TRUE(std::equal(pieces[i].data.begin(), pieces[i].data.end(), image.begin() + offsets[i])) << i;
  }

  // The staged image reads back in pieces too (mode 2, buffer FEh from 20000h).
  std::vector<uint8_t> back(70000);
  ASSERT_TRUE(dev.ReadBuffer(2, 0xFE, 0x20000, back.data(), 70000));
  auto reads = bus.Commands(kReadBuffer);
  ASSERT_EQ(reads.size(), 3u);
  EXPECT_EQ(Be24(reads[1].head.cdb + 3), 0x20000u + 32768);
  EXPECT_EQ(Be24(reads[2].head.cdb + 6), 4464u);
  EXPECT_EQ(back, image);
}

TEST_F(ScsiDevMedium, WriteBufferAddsTheCallersOffset) {
  SimBus bus(DeviceEntry(4, "qxw7100", BlankDisc("dvd-r")));
  SCSIDEV dev(0, 4, 0);
  std::vector<uint8_t> image(40000, 0x42);
  ASSERT_TRUE(dev.WriteBuffer(5, 0, 0x8000, image.data(), 40000));
  auto pieces = bus.Commands(kWriteBuffer);
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0].Cdb(), (std::vector<uint8_t>{0x3B, 0x05, 0, 0, 0x80, 0, 0, 0x80, 0, 0}));
  EXPECT_EQ(Be24(pieces[1].head.cdb + 3), 0x8000u + 32768);
  EXPECT_EQ(Be24(pieces[1].head.cdb + 6), 40000u - 32768);
}

TEST_F(ScsiDevMedium, WriteBufferOfNothingSendsOneCommand) {
  SimBus bus(DeviceEntry(4, "qxw7100", BlankDisc("dvd-r")));
  SCSIDEV dev(0, 4, 0);
  EXPECT_TRUE(dev.WriteBuffer(5, 0, 0, nullptr, 0));
  auto sent = bus.Commands(kWriteBuffer);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(Be24(sent[0].head.cdb + 6), 0u);
}

TEST_F(ScsiDevMedium, WriteBufferStopsAtTheFirstSense) {
  SimBus bus(DeviceEntry(4, "qxw7100", BlankDisc("dvd-r")));
  SCSIDEV dev(0, 4, 0);
  std::vector<uint8_t> image(100);
  EXPECT_FALSE(dev.WriteBuffer(7, 0, 0, image.data(), 100));  // mode 7 is refused
  EXPECT_EQ(bus.Count(kWriteBuffer), 1u);
  EXPECT_TRUE(log.Contains("Command: (3BH) Write Buffer\r\n"));
  EXPECT_EQ(CountPrefixed("[SCSIDEV::WriteBuffer] - Retry"), 0);
}

TEST_F(ScsiDevMedium, WriteBufferRetriesARequestTheManagerRefused) {
  SimBus bus(DeviceEntry(4, "qxw7100",
                         BlankDisc("dvd-r") + R"(, "faults": [{"kind": "busy", "opcode": 59, "first": 1}])"));
  SCSIDEV dev(0, 4, 0);
  ui.Expect("ASPI is busy.", "Interrupt", ui::kOk, ui::kIdOk);
  std::vector<uint8_t> image(100, 1);
  EXPECT_TRUE(dev.WriteBuffer(5, 0, 0, image.data(), 100));
  EXPECT_EQ(CountEntries("[SCSI] The SCSI manager is busy; the command is sent again (1/10)."), 1);
  EXPECT_EQ(CountPrefixed("[SCSIDEV::WriteBuffer] - Retry"), 0);
}

TEST_F(ScsiDevMedium, ReadBufferRetriesAndFails) {
  SimBus bus(DeviceEntry(4, "qxw7100", BlankDisc("dvd-r")));
  SCSIDEV dev(0, 4, 0);
  std::vector<uint8_t> back(16);
  EXPECT_FALSE(dev.ReadBuffer(1, 0x33, 0, back.data(), 16));
  EXPECT_EQ(bus.Count(kReadBuffer), 10u);
  EXPECT_EQ(CountPrefixed("[SCSIDEV::ReadBuffer] - Retry"), 9);
  EXPECT_EQ(CountEntries("[SCSIDEV::ReadBuffer] failed."), 1);
  EXPECT_TRUE(dev.ReadBuffer(1, 0x33, 0, back.data(), 0));
  EXPECT_EQ(bus.Count(kReadBuffer), 10u);
}

TEST_F(ScsiDevMedium, ReadRZoneInformationRetriesOnce) {
  SimBus bus(DeviceEntry(4, "qxw7100", BlankDisc("dvd-r") + ", \"faults\": [" +
                                          SenseFault(kReadDiscInformation, "02/04/01", 1) + "]"));
  SCSIDEV dev(0, 4, 0);
  scsi::DiscInformationRequest request;
  request.allocationLength = 2048;
  EXPECT_TRUE(dev.ReadRZoneInformation(request));
  auto sent = bus.Commands(kReadDiscInformation);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[1].head.cdb[7], 0x08);
  EXPECT_EQ(sent[1].head.cdb[8], 0x00);
  EXPECT_EQ(CountEntries("[SCSIDEV::ReadRZoneInformation] Retry 1/10"), 1);
  EXPECT_EQ(CountEntries("[SCSIDEV::ReadRZoneInformation] done."), 1);
  EXPECT_EQ(request.data[2] & 0x03, 0);  // blank
}

TEST_F(ScsiDevMedium, TheMediumNotPresentReport) {
  SimBus bus(DeviceEntry(1, "disk"));
  SCSIDEV dev(0, 1, 0);
  dev.TestUnitReady();
  std::string text;
  ui.Expect("[Error Information]\r\nSCSI Address: 0,1,0\r\nDevice: ORBITEK HD-2100 DISK    3.11\r\n"
            "Medium not present.\r\n\r\n",
            "Error Information", ui::kOk | ui::kIconError, ui::kIdOk);
  dev.ReportError(&text, true, false);
  EXPECT_EQ(text, dev.LastErrorText());
  EXPECT_EQ(CountEntries(text), 1);
  EXPECT_EQ(dev.LastResult(), 0);
  EXPECT_EQ(dev.LastSenseKey(), 2);
  EXPECT_EQ(dev.LastAsc(), 0x3A);
}

TEST_F(ScsiDevMedium, ACleanCommandIsReportedOnlyWhenForced) {
  SimBus bus(DiskWith(1, ""));
  SCSIDEV dev(0, 1, 0);
  dev.TestUnitReady();
  std::string text = "stale";
  dev.ReportError(&text, false, false);
  EXPECT_FALSE(log.Contains("[Error Information]"));
  dev.ReportError(&text, false, true);
  EXPECT_EQ(text,
            "[Error Information]\r\nSCSI Address: 0,1,0\r\nDevice: ORBITEK HD-2100 DISK    3.11\r\n"
            "Command: (00H) Test Unit Ready\r\nAddress: 00000000H\r\nError Code: 0-00-00\r\n"
            "The drive reported no error, but its answer could not be used.\r\n\r\n");
  EXPECT_EQ(dev.LastResult(), 1);
}

TEST_F(ScsiDevMedium, SenseLineAndRawSense) {
  SimBus bus(DiskWith(1, SenseFault(kRead10, "03/11/00")));
  SCSIDEV dev(0, 1, 0);
  std::vector<uint8_t> buffer(2048);
  dev.Read10(0, 1, buffer.data(), 2048);
  uint8_t key = 0, asc = 0, ascq = 0;
  std::string text;
  EXPECT_FALSE(dev.GetSense(&key, &asc, &ascq, &text));
  EXPECT_EQ(key, 3);
  EXPECT_EQ(asc, 0x11);
  EXPECT_EQ(ascq, 0);
  EXPECT_EQ(text, "Medium Error: Unrecovered read error.");
  EXPECT_EQ(dev.LastErrorText(), text);
  dev.LogSenseLine();
  EXPECT_EQ(CountEntries("3-11-00: Medium Error: Unrecovered read error."), 1);
  uint8_t raw[144] = {};
  EXPECT_FALSE(dev.CopySenseData(raw));
  EXPECT_EQ(raw[2], 3);
  EXPECT_EQ(raw[12], 0x11);
}

}  // namespace
