// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "devices/CreateDevice.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/Images.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/ProgramBus.h"
#include "volume/CheckHeader.h"
#include "volume/VolSizeChoice.h"

namespace {

constexpr uint64_t kSector = 2048;

bool Logged(CapturedLog& log, const std::string& entry) {
  auto entries = log.Entries();
  return std::find(entries.begin(), entries.end(), entry) != entries.end();
}

const char* const kNoVolumeQuestion = "Source device does not have an ISO/UDF image.\r\nAre you sure to continue?";

}  // namespace

TEST(CheckHeaderDevice, DiskWithAnIsoVolumeTakesTheIsoSize) {
  CapturedLog log;
  ProgramBus bus(R"({"id": 0, "model": "disk", "medium": {"kind": "image", "path": "disk.img", "writable": true}})");
  std::string disk = bus.Dir().File("disk.img");
  WriteAt(disk, 16 * kSector, IsoPrimaryDescriptor(51200, "ON_DISK"));
  ResizeFile(disk, 60000 * kSector);

  auto device = CreateDevice(0, 0, 0).device;
  VolSizeChoice sizes;
  VolumeInfo info;
  ASSERT_TRUE(CheckHeader(*device, sizes, info));
  EXPECT_EQ(info.volumeName, "ON_DISK");
  EXPECT_EQ(info.volumeSize, 104857600u);
  EXPECT_EQ(info.lbCount, 51200u);
  EXPECT_TRUE(Logged(log, "NO MID"));
  EXPECT_TRUE(Logged(log, "This is not UDF Volume."));
  EXPECT_TRUE(Logged(log, "[CheckHeader(SCSI)] VolumeSize: 104,857,600 bytes, LBSize: C800H"));
  EXPECT_TRUE(log.Contains("[Top data]\r\n"));
  EXPECT_EQ(sizes.Media().caption, "Whole data size in the source device 122,880,000 bytes.)");
}

TEST(CheckHeaderDevice, OpticalDrivesTakeTheWholeCapacity) {
  CapturedLog log;
  ProgramBus bus(R"({"id": 2, "model": "dvd-rom", "medium": {"kind": "image", "path": "g.iso"}})");
  std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "OPTICAL", 1024 * 1024);
  auto device = CreateDevice(0, 2, 0).device;
  VolSizeChoice sizes;
  VolumeInfo info;
  ASSERT_TRUE(CheckHeader(*device, sizes, info));
  EXPECT_EQ(info.volumeName, "OPTICAL");
  EXPECT_EQ(info.volumeSize, std::filesystem::file_size(image));
  EXPECT_EQ(sizes.Checked(), VolSizeChoice::Choice::Media);
}

TEST(CheckHeaderDevice, NoVolumeAsksAndSmallMediaNeverFailTheProbes) {
  CapturedLog log;
  ScriptedUiGuard ui;
  // 64 blocks of 512 bytes: the ISO and UDF probes lie past its end.
  ProgramBus bus(R"({"id": 0, "model": "disk", "medium": {"kind": "image", "path": "small.img", "writable": true}})");
  bus.Dir().Write("small.img", std::string(64 * 512, 'q'));
  auto device = CreateDevice(0, 0, 0).device;
  VolSizeChoice sizes;
  VolumeInfo info;

  ui.Expect(kNoVolumeQuestion, "Marrowlight", 0x124, ui::kIdNo);
  EXPECT_FALSE(CheckHeader(*device, sizes, info));

  ui.Expect(kNoVolumeQuestion, "Marrowlight", 0x124, ui::kIdYes);
  ASSERT_TRUE(CheckHeader(*device, sizes, info));
  EXPECT_EQ(info.volumeSize, 64u * 512);
  EXPECT_EQ(info.volumeName, std::string(32, ' '));
}

TEST(CheckHeaderDevice, NoMediumGivesTheDeviceReadErrorBox) {
  CapturedLog log;
  ScriptedUiGuard ui;
  ProgramBus bus(R"({"id": 2, "model": "dvd-rom", "medium": {"kind": "none"}})");
  auto device = CreateDevice(0, 2, 0).device;
  VolSizeChoice sizes;
  VolumeInfo info;
  ui.Expect("Device read error.\nA medium may not be in the source device.", "Marrowlight", 0x10, ui::kIdOk);
  EXPECT_FALSE(CheckHeader(*device, sizes, info));
}

TEST(CheckHeaderDevice, AnOpticalDiscWithAMidIndexTakesWhatItHoldsAfterTheOffset) {
  CapturedLog log;
  ProgramBus bus(R"({"id": 2, "model": "dvd-rom", "medium": {"kind": "image", "path": "mid.img"}})");
  std::string volume = TempDir::Read(MakeGenisoImage(bus.Dir().Path(), "g.iso", "BEHIND_MID", 512 * 1024));
  // The main data start at 2 x 32 KiB; the disc holds the volume and 10 sectors more.
  std::string mid = "[ Mastering Information Descriptor ]\r\nIndex = MAINdata( 2, " + std::to_string(volume.size()) +
                    " )\r\n";
  mid.resize(65536, '\0');
  bus.Dir().Write("mid.img", mid + volume + std::string(10 * kSector, 'x'));
  const uint64_t capacity = 65536 + volume.size() + 10 * kSector;

  auto device = CreateDevice(0, 2, 0).device;
  VolSizeChoice sizes;
  VolumeInfo info;
  ASSERT_TRUE(CheckHeader(*device, sizes, info));
  EXPECT_TRUE(Logged(log, "With MID"));
  EXPECT_EQ(info.volumeOffset, 65536u);
  EXPECT_EQ(info.volumeName, "BEHIND_MID");
  // The whole disc behind the offset, never more than it holds.
  EXPECT_EQ(info.volumeSize, capacity - 65536);
  EXPECT_EQ(sizes.Checked(), VolSizeChoice::Choice::Media);
}
