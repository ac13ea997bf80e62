// SPDX-License-Identifier: GPL-3.0-or-later
// The reading and block models through the program's device classes: tape
// filemarks and residues, disk and optical memory, the CD write-once drive,
// the DVD-ROM drive with the sample image, and the default bus.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "devices/CDR_QRC880Z.h"
#include "devices/CreateDevice.h"
#include "devices/SCSITAPE.h"
#include "scsi/ASPI32.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/ProgramBus.h"

namespace {

std::string Bytes(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 13 + i / 256);
  return bytes;
}

class OtherModelsTest : public ::testing::Test {
 protected:
  CapturedLog log;
  ScriptedUiGuard ui;
};

}  // namespace

TEST_F(OtherModelsTest, TapeStopsAtFilemarksWithTheResidue) {
  TempDir files;
  std::string tape = files.Write("tape.bin", Bytes(3000));
  ProgramBus bus(R"({"id": 6, "model": "tape", "medium": {"kind": "image", "path": ")" + tape +
                 R"(", "filemarks": [1000, 2000]}})");
  SCSITAPE drive(0, 6, 0);
  ASSERT_EQ(drive.GetDeviceType(), 1);
  std::vector<char> data(65536);
  // A READ(6) for 32 KiB ends at the filemark after 1000 bytes.
  EXPECT_EQ(drive.Read6(false, 32768, data.data()), aspi::SS_ERR);
  uint8_t sense[144] = {};
  drive.CopySenseData(sense);
  EXPECT_EQ(sense[2], 0x80);
  EXPECT_EQ(sense[12] << 8 | sense[13], 0x0001);
  EXPECT_EQ(sense[3] << 24 | sense[4] << 16 | sense[5] << 8 | sense[6], 32768 - 1000);
  EXPECT_EQ(std::string(data.data(), 1000), Bytes(3000).substr(0, 1000));
  // The tape read counts what came and asks again for the rest.
  ASSERT_TRUE(drive.Read(data.data(), 1000));
  EXPECT_EQ(std::string(data.data(), 1000), Bytes(3000).substr(1000, 1000));
  EXPECT_EQ(drive.TransferredBytes(), 1000u);
  // Past the second filemark the data ends before the 32 KiB asked for.
  EXPECT_FALSE(drive.Read(data.data(), 32768));
  EXPECT_TRUE(log.Contains("CurrentPoint: 00000000-000007D0"));
}

TEST_F(OtherModelsTest, TapeRecordsShorterThanAskedForGiveIncorrectLength) {
  TempDir files;
  std::string tape = files.Write("tape.bin", Bytes(4096));
  ProgramBus bus(R"({"id": 6, "model": "tape", "medium": {"kind": "image", "path": ")" + tape +
                 R"(", "record_size": 512}})");
  SCSITAPE drive(0, 6, 0);
  std::vector<char> data(4096);
  ASSERT_TRUE(drive.Read(data.data(), 2048));
  EXPECT_EQ(std::string(data.data(), 2048), Bytes(4096).substr(0, 2048));
  // One READ(6) for more than a record: incorrect length, the rest as residue.
  EXPECT_EQ(drive.Read6(false, 2048, data.data()), aspi::SS_ERR);
  uint8_t sense[144] = {};
  drive.CopySenseData(sense);
  EXPECT_EQ(sense[2], 0x20);
  EXPECT_EQ(sense[0], 0xF0);  // information field valid
  EXPECT_EQ(sense[5] << 8 | sense[6], 1536);
  EXPECT_EQ(std::string(data.data(), 512), Bytes(4096).substr(2048, 512));
}

TEST_F(OtherModelsTest, TapeMediumErrorEndsTheReadAtOnce) {
  TempDir files;
  std::string tape = files.Write("tape.bin", Bytes(4096));
  ProgramBus bus(R"({"id": 6, "model": "tape", "medium": {"kind": "image", "path": ")" + tape +
                 R"("}, "faults": [{"kind": "sense", "opcode": 8, "sense": "03/11/00"}]})");
  SCSITAPE drive(0, 6, 0);
  std::vector<char> data(4096);
  EXPECT_FALSE(drive.Read(data.data(), 4096));
  EXPECT_TRUE(log.Contains("Error Code: 3-11-00"));
}

TEST_F(OtherModelsTest, DiskWritesAndReadsItsFile) {
  ProgramBus bus(R"({"id": 0, "model": "disk", "medium": {"kind": "image", "sectors": 2048}})");
  CreatedDevice disk = CreateDevice(0, 0, 0);
  EXPECT_EQ(disk.device->GetCapacity(), 2048u * 512);
  std::string bytes = Bytes(32768);
  std::vector<char> data(bytes.begin(), bytes.end());
  ASSERT_TRUE(disk.device->Write(100, data.data(), 32768));
  std::vector<char> back(32768);
  ASSERT_TRUE(disk.device->Read(100, back.data(), 32768));
  EXPECT_EQ(back, data);
}

TEST_F(OtherModelsTest, ReadOnlyOpticalMemoryRefusesWrites) {
  TempDir files;
  std::string image = files.Write("mo.img", Bytes(64 * 2048));
  ProgramBus bus(R"({"id": 3, "model": "optical-memory", "medium": {"kind": "image", "path": ")" + image + R"("}})");
  CreatedDevice mo = CreateDevice(0, 3, 0);
  EXPECT_EQ(mo.device->GetDeviceType(), 7);
  EXPECT_EQ(mo.device->GetCapacity(), 64u * 2048);
  std::vector<char> data(2048);
  ASSERT_TRUE(mo.device->Read(5, data.data(), 2048));
  EXPECT_EQ(std::string(data.data(), 2048), Bytes(64 * 2048).substr(5 * 2048, 2048));
  EXPECT_FALSE(mo.device->Write(5, data.data(), 2048));
  EXPECT_EQ(mo.device->LastSenseKey(), 7);
  EXPECT_EQ(mo.device->LastAsc(), 0x27);
}

TEST_F(OtherModelsTest, CdWriteOnceDriveIsConfiguredAndFinished) {
  ProgramBus bus(R"({"id": 3, "model": "cd-wo", "medium": {"kind": "image", "sectors": 1002}})");
  CreatedDevice created = CreateDevice(0, 3, 0);
  ASSERT_EQ(created.device->ClassCode(), 0x8001);
  auto& cdr = static_cast<CDR_QRC880Z&>(*created.device);
  EXPECT_EQ(cdr.GetFreeSize(), 2045952u);  // last LBA 1001, minus 2, times 2048
  ASSERT_TRUE(cdr.SetWritingConfig(10, 1, 0));
  std::vector<uint8_t> page(2048);
  ASSERT_EQ(cdr.ModeSense10(0x23, page.data()), 1);
  EXPECT_EQ(page[16] & 0x3F, 0x23);
  EXPECT_EQ(page[19], 0x01);  // test write
  EXPECT_TRUE(cdr.FinishWrite());
}

TEST_F(OtherModelsTest, DefaultBusHasItsFourDrivesAndTheSampleVolume) {
  ProgramBus bus = ProgramBus::DefaultBus();
  ASPI32 channel;
  uint8_t count = 0;
  ASSERT_EQ(channel.HostAdapterInquiry(0, &count), aspi::SS_COMP);
  EXPECT_EQ(count, 1);
  EXPECT_FALSE(CreateDevice(0, 0, 0).found);
  EXPECT_EQ(CreateDevice(0, 6, 0).device->GetDeviceType(), 0);
  EXPECT_EQ(CreateDevice(0, 4, 0).device->ClassCode(), 0x8011);
  CreatedDevice second = CreateDevice(0, 5, 0);
  EXPECT_EQ(second.device->ClassCode(), 0x8020);
  EXPECT_EQ(second.device->GetFreeSize(), 2298496ull * 2048);

  CreatedDevice rom = CreateDevice(0, 2, 0);
  ASSERT_TRUE(rom.found);
  EXPECT_STREQ(rom.device->Product(), "DVD-ROM DR-160  ");
  std::vector<char> sectors(16 * 2048);
  ASSERT_TRUE(rom.device->Read(16, sectors.data(), 16 * 2048));
  EXPECT_EQ(std::string(sectors.data() + 1, 5), "CD001");
  EXPECT_NE(std::string(sectors.data(), sectors.size()).find("NSR02"), std::string::npos);
  EXPECT_NE(std::string(sectors.data(), 2048).find("SAMPLE"), std::string::npos);
}
