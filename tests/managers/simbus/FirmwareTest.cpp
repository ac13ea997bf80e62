// SPDX-License-Identifier: GPL-3.0-or-later
// Firmware buffers of the two writers, driven through the device class's
// WRITE BUFFER / READ BUFFER operations: round trips, commits, the power
// cycle and the revision the new image carries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "devices/CreateDevice.h"
#include "scsi/ASPI32.h"
#include "scsi/Commands.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "managers/simbus/BusDescription.h"
#include "tests/fixtures/Process.h"
#include "tests/fixtures/ProgramBus.h"

namespace {

std::vector<uint8_t> Image(const std::string& revision, size_t size, uint8_t seed) {
  std::vector<uint8_t> image(size);
  for (size_t i = 0; i < size; ++i) image[i] = static_cast<uint8_t>(i * 7 + seed);
  std::memcpy(image.data(), revision.data(), 4);
  return image;
}

std::string InquiryText(int offset, int length) {
  ASPI32 channel;
  uint8_t inquiry[128] = {};
  EXPECT_EQ(scsi::Inquiry(channel, 0, 4, 0, inquiry), aspi::SS_COMP);
  return std::string(reinterpret_cast<char*>(inquiry + offset), length);
}

uint32_t SenseOf(SCSIDEV& device) {
  uint8_t key = 0, asc = 0, ascq = 0;
  device.GetSense(&key, &asc, &ascq);
  return key << 16 | asc << 8 | ascq;
}

class FirmwareTest : public ::testing::Test {
 protected:
  // Sends a part in 16 KiB chunks and reads each chunk back as the update does.
  void SendPart(SCSIDEV& writer, uint8_t buffer, uint8_t readBack, uint32_t readBackOffset,
                const std::vector<uint8_t>& part) {
    for (uint32_t offset = 0; offset < part.size(); offset += 16384) {
      uint32_t chunk = std::min<uint32_t>(16384, static_cast<uint32_t>(part.size()) - offset);
      ASSERT_TRUE(writer.WriteBuffer(5, buffer, offset, part.data() + offset, chunk));
      std::vector<uint8_t> back(16384, 0xEE);
      ASSERT_TRUE(writer.ReadBuffer(2, readBack, offset + readBackOffset, back.data(), 16384));
      EXPECT_EQ(std::memcmp(back.data(), part.data() + offset, chunk), 0) << "chunk at " << offset;
    }
  }

  CapturedLog log;
  ScriptedUiGuard ui;
};

}  // namespace

TEST_F(FirmwareTest, Qxw7100TakesSysAndMecAndRestartsWithTheNewRevision) {
  ProgramBus bus(R"({"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r"}})");
  CreatedDevice created = CreateDevice(0, 4, 0);
  SCSIDEV& writer = *created.device;
  std::vector<uint8_t> sys = Image("1.08", 40000, 3), mec = Image("M2.0", 20000, 9);
  SendPart(writer, 1, 0xFF, 0x40000, mec);
  ASSERT_TRUE(writer.WriteBuffer(5, 0xF9, 0, "QXW-7100 MEC", 12));
  SendPart(writer, 0, 0xFE, 0x20000, sys);
  EXPECT_FALSE(writer.WriteBuffer(5, 0xF8, 0, "QXW-7100 XYZ", 12));  // a wrong commit text
  EXPECT_EQ(writer.LastSenseKey(), 5);
  ASSERT_TRUE(writer.WriteBuffer(5, 0xF8, 0, "QXW-7100 SYS", 12));
  EXPECT_EQ(InquiryText(32, 4), "1.07");  // until the power cycle

  writer.TestUnitReady();
  EXPECT_EQ(SenseOf(writer), 0x020401u);
  ASSERT_TRUE(writer.WaitReady(100000));
  EXPECT_EQ(InquiryText(32, 4), "1.08");
  EXPECT_EQ(InquiryText(48, 4), "M2.0");
  log.ClearTrace();
  ASSERT_TRUE(writer.Attach(0, 4, 0));
  EXPECT_STREQ(writer.Revision(), "1.08");
  EXPECT_TRUE(log.Contains("Mecha con version: M2.0"));
  // A new bus run keeps the updated firmware.
  bus.Restart();
  EXPECT_EQ(InquiryText(32, 4), "1.08");
}

TEST_F(FirmwareTest, Qxw7100FirstGenerationBecomesALaterOne) {
  ProgramBus bus(R"({"id": 4, "model": "qxw7100", "revision": "0.00", "medium": {"kind": "dvd-r"}})");
  EXPECT_EQ(CreateDevice(0, 4, 0).device->ClassCode(), 0x8010);
  SCSIDEV writer(0, 4, 0);
  SendPart(writer, 0, 0xFE, 0x20000, Image("1.00", 16384, 1));
  ASSERT_TRUE(writer.WriteBuffer(5, 0xF8, 0, "QXW-7100 SYS", 12));
  SendPart(writer, 1, 0xFF, 0x40000, Image("M1.5", 100, 1));
  ASSERT_TRUE(writer.WriteBuffer(5, 0xF9, 0, "QXW-7100 MEC", 12));
  ASSERT_TRUE(writer.WaitReady(100000));
  EXPECT_EQ(CreateDevice(0, 4, 0).device->ClassCode(), 0x8011);
}

TEST_F(FirmwareTest, Qxw7200GoesThroughBootAndLoaderModes) {
  ProgramBus bus(R"({"id": 4, "model": "qxw7200", "revision": "2.10", "medium": {"kind": "dvd-rw"}})");
  SCSIDEV writer(0, 4, 0);
  EXPECT_EQ(InquiryText(32, 1), "2");
  std::vector<uint8_t> romIn = Image("2.20", 70000, 5), romExt = Image("EXT1", 10000, 6);
  EXPECT_FALSE(writer.WriteBuffer(5, 0, 0, romIn.data(), 100));  // no ROM without the loader
  EXPECT_EQ(SenseOf(writer), 0x052C00u);

  ASSERT_TRUE(writer.WriteBuffer(5, 0, 0, nullptr, 0));
  EXPECT_EQ(InquiryText(32, 1), "B");
  const uint8_t info[16] = {0, 0, 0x10, 0, 0, 0, 0, 0, 0, 0, 0x11, 0, 0, 0, 0, 0};
  ASSERT_TRUE(writer.WriteBuffer(5, 0xF3, 0, info, 16));
  std::vector<uint8_t> loader = Image("LDR0", 5000, 2);
  ASSERT_TRUE(writer.WriteBuffer(5, 0xF4, 0x1000, loader.data(), 5000));
  EXPECT_FALSE(writer.WriteBuffer(5, 0xF5, 0x1200, nullptr, 0));  // not the start address
  ASSERT_TRUE(writer.WriteBuffer(5, 0xF5, 0x1100, nullptr, 0));
  EXPECT_EQ(InquiryText(32, 1), "L");

  ASSERT_TRUE(writer.WriteBuffer(5, 0, 0, romIn.data(), 70000));
  ASSERT_TRUE(writer.WriteBuffer(5, 1, 0, romExt.data(), 10000));
  ASSERT_TRUE(writer.WriteBuffer(5, 0xF8, 0, "HALVERN", 7));
  std::vector<uint8_t> back(70000);
  ASSERT_TRUE(writer.ReadBuffer(5, 0, 0, back.data(), 70000));
  EXPECT_EQ(back, romIn);
  back.assign(10000, 0);
  ASSERT_TRUE(writer.ReadBuffer(5, 1, 0, back.data(), 10000));
  EXPECT_EQ(back, romExt);

  writer.TestUnitReady();
  EXPECT_EQ(SenseOf(writer), 0x020401u);
  ASSERT_TRUE(writer.WaitReady(100000));
  EXPECT_EQ(InquiryText(32, 4), "2.20");
}

TEST_F(FirmwareTest, RescanAlsoCompletesThePowerCycle) {
  ProgramBus bus(R"({"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r"},
                     "timing": {"power_cycle_ms": 10000000}})");
  SCSIDEV writer(0, 4, 0);
  SendPart(writer, 0, 0xFE, 0x20000, Image("1.09", 1000, 1));
  ASSERT_TRUE(writer.WriteBuffer(5, 0xF8, 0, "QXW-7100 SYS", 12));
  ASSERT_EQ(writer.Channel().RescanBus(0), aspi::SS_COMP);
  writer.TestUnitReady();
  EXPECT_EQ(SenseOf(writer), 0x020401u);
  EXPECT_EQ(InquiryText(32, 4), "1.09");
}

TEST_F(FirmwareTest, DrivesWithoutFirmwareBuffersRefuseThem) {
  ProgramBus bus(R"({"id": 4, "model": "dvdrw-writer", "medium": {"kind": "dvd-r"}})");
  SCSIDEV writer(0, 4, 0);
  uint8_t data[16] = {};
  EXPECT_EQ(writer.SendWriteBuffer(5, 0, 0, data, 16), aspi::SS_ERR);
  EXPECT_EQ(SenseOf(writer), 0x052000u);
}

TEST_F(FirmwareTest, CorruptAndBufferFaultsHitOnlyWhatTheyName) {
  ProgramBus bus(R"({"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r"},
                     "faults": [{"kind": "corrupt", "opcode": "3Ch", "first": 1},
                                {"kind": "sense", "opcode": "3Bh", "buffer": "F8h", "sense": "03/0C/00"}]})");
  SCSIDEV writer(0, 4, 0);
  std::vector<uint8_t> sys = Image("1.08", 100, 1);
  ASSERT_TRUE(writer.WriteBuffer(5, 0, 0, sys.data(), 100));
  std::vector<uint8_t> back(100);
  ASSERT_TRUE(writer.ReadBuffer(2, 0xFE, 0x20000, back.data(), 100)) << "a corrupted read still completes";
  EXPECT_EQ(back[0], static_cast<uint8_t>(~sys[0]));
  EXPECT_TRUE(std::equal(back.begin() + 1, back.end(), sys.begin() + 1)) << "only the first byte is inverted";
  ASSERT_TRUE(writer.ReadBuffer(2, 0xFE, 0x20000, back.data(), 100));
  EXPECT_EQ(back, sys) << "the fault fired for the first read only";
  EXPECT_EQ(writer.SendWriteBuffer(5, 0xF8, 0, "QXW-7100 SYS", 12), aspi::SS_ERR) << "the commit buffer fails";
  EXPECT_EQ(SenseOf(writer), 0x030C00u);
  EXPECT_TRUE(writer.WriteBuffer(5, 1, 0, sys.data(), 100)) << "other buffers do not";
  EXPECT_EQ(writer.SendReadBuffer(2, 0xF8, 0x20000, back.data(), 100), aspi::SS_ERR);
  EXPECT_EQ(SenseOf(writer), 0x052400u) << "a READ BUFFER to the same id is not the WRITE BUFFER fault's";
}

TEST_F(FirmwareTest, AQxw7200CutOffMidwayStaysInItsModeAcrossRuns) {
  ProgramBus bus(R"({"id": 4, "model": "qxw7200", "revision": "2.10", "medium": {"kind": "dvd-rw"}})");
  {
    SCSIDEV writer(0, 4, 0);
    ASSERT_TRUE(writer.WriteBuffer(5, 0, 0, nullptr, 0));
  }
  bus.Restart();
  EXPECT_EQ(InquiryText(32, 1), "B") << "boot mode is kept in the state folder";
  {
    SCSIDEV writer(0, 4, 0);
    const uint8_t info[16] = {0, 0, 0x10, 0, 0, 0, 0, 0, 0, 0, 0x11, 0};
    ASSERT_TRUE(writer.WriteBuffer(5, 0xF3, 0, info, 16));
    std::vector<uint8_t> loader = Image("LDR0", 500, 2);
    ASSERT_TRUE(writer.WriteBuffer(5, 0xF4, 0x1000, loader.data(), 500));
    ASSERT_TRUE(writer.WriteBuffer(5, 0xF5, 0x1100, nullptr, 0));
  }
  bus.Restart();
  EXPECT_EQ(InquiryText(32, 1), "L");
  ProcessResult listed = Process::Run(SIMBUS_TOOL, {"list"}, {{"MARROWLIGHT_SIMBUS", bus.DescriptionPath()}});
  EXPECT_NE(listed.out.find("0,4,0  qxw7200  HALVERN DVD-RW QXW-7200 2.10: blank dvd-rw, 2298496 sectors, loader mode\n"),
            std::string::npos)
      << listed.out;

  // The loader takes the ROM images at once; after the power cycle the drive
  // runs its new firmware, in this run and the next.
  SCSIDEV writer(0, 4, 0);
  std::vector<uint8_t> romIn = Image("2.30", 1000, 5);
  ASSERT_TRUE(writer.WriteBuffer(5, 0, 0, romIn.data(), 1000));
  ASSERT_TRUE(writer.WriteBuffer(5, 0xF8, 0, "HALVERN", 7));
  ASSERT_TRUE(writer.WaitReady(100000));
  EXPECT_EQ(InquiryText(32, 4), "2.30");
  bus.Restart();
  EXPECT_EQ(InquiryText(32, 4), "2.30");
}

TEST_F(FirmwareTest, ADescriptionMayStartAQxw7200InLoaderMode) {
  ProgramBus bus(R"({"id": 4, "model": "qxw7200", "firmware_mode": "loader", "medium": {"kind": "dvd-rw"}})");
  EXPECT_EQ(InquiryText(32, 4), "L.10");
  SCSIDEV writer(0, 4, 0);
  std::vector<uint8_t> romIn = Image("2.40", 100, 5);
  EXPECT_TRUE(writer.WriteBuffer(5, 0, 0, romIn.data(), 100)) << "the loader takes ROM images";

  std::string error;
  auto wrongModel = simbus::ParseBusDescription(
      R"({"adapters": [{"devices": [{"id": 4, "model": "qxw7100", "firmware_mode": "boot"}]}]})", "bus.json", "");
  EXPECT_EQ(wrongModel.error,
            "Simulated SCSI bus: bus.json: at adapters[0].devices[0].firmware_mode: only a qxw7200 has boot and "
            "loader modes. The bus is empty.");
  auto unknown = simbus::ParseBusDescription(
      R"({"adapters": [{"devices": [{"id": 4, "model": "qxw7200", "firmware_mode": "halfway"}]}]})", "bus.json", "");
  EXPECT_EQ(unknown.error,
            "Simulated SCSI bus: bus.json: at adapters[0].devices[0].firmware_mode: unknown mode \"halfway\" (known: "
            "normal, boot, loader). The bus is empty.");
}
