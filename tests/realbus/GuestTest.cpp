// SPDX-License-Identifier: GPL-3.0-or-later
// Runs inside the QEMU guest of tests/realbus, against QEMU's emulated CD-ROM
// drive (0,0,0, holding the test's ISO 9660 + UDF image) and disk (0,1,0),
// through the program's own request channel and device classes and the SCSI
// generic manager: the kernel's SCSI midlayer answers, not the simulated bus.
//
// The guest script sets MARROWLIGHT_ASPI to the manager and REALBUS_CD_SECTORS
// and REALBUS_VOLUME to what the host knows of the image. The tests run in
// the order written; each leaves the CD loaded and unlocked.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "devices/CreateDevice.h"
#include "devices/InquiryData.h"
#include "host/aspi/BigEndian.h"
#include "host/aspi/ScsiVocabulary.h"
#include "scsi/ASPI32.h"
#include "scsi/AspiManager.h"
#include "scsi/Commands.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "volume/CheckHeader.h"
#include "volume/VolSizeChoice.h"

namespace sense = aspi::sense;

namespace {

constexpr aspi::ScsiAddress kCd{0, 0, 0};
constexpr aspi::ScsiAddress kDisk{0, 1, 0};
constexpr uint8_t kCapabilitiesPage = 0x2A;

// What the guest script says of the image; these tests run only there.
std::string Given(const char* name) {
  const char* value = std::getenv(name);
  if (value != nullptr) return value;
  ADD_FAILURE() << name << " is not set: this program runs inside the guest of tests/realbus";
  return "0";
}
uint32_t CdSectors() { return static_cast<uint32_t>(std::stoul(Given("REALBUS_CD_SECTORS"))); }
std::string VolumeName() { return Given("REALBUS_VOLUME"); }

aspi::Sense LastSense(const ASPI32& channel) { return {channel.SenseKey(), channel.Asc(), channel.Ascq()}; }

std::unique_ptr<SCSIDEV> Open(const aspi::ScsiAddress& address) {
  CreatedDevice created = CreateDevice(address.ha, address.id, address.lun);
  EXPECT_TRUE(created.found);
  return std::move(created.device);
}

}  // namespace

TEST(Guest, TheAdapterAndWhoAnswersWhere) {
  CapturedLog log;
  ASSERT_TRUE(IsAspiReady());
  ASPI32 channel;
  uint8_t count = 0, scsiId = 0, managerId[16], identifier[16], unique[16];
  ASSERT_EQ(channel.HostAdapterInquiry(0, &count, &scsiId, managerId, identifier, unique), aspi::SS_COMP);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(identifier), 16), "virtio_scsi     ");
  EXPECT_EQ(channel.HostAdapterInquiry(1), aspi::SS_INVALID_HA);

  INQUIRYDATA inquiry;
  ASSERT_EQ(scsi::Inquiry(channel, 0, 0, 0, inquiry.Data()), aspi::SS_COMP);
  EXPECT_EQ(inquiry.DeviceType(), aspi::device::kCdDvd);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(inquiry.Data() + 8), 28), "QEMU    REALBUS CD-ROM  1.23");
  EXPECT_EQ(channel.ExecuteBlock().Block().SRB_HaStat, aspi::HASTAT_OK);
  EXPECT_EQ(channel.ExecuteBlock().GetTargetStatus(), aspi::STATUS_GOOD);
  // The capabilities page is shorter than the 2048 bytes asked for: the
  // rest reads as zeros, not as what the buffer held before.
  std::vector<uint8_t> page(scsi::kModeSenseLength, 0xEE);
  ASSERT_EQ(scsi::ModeSense10(channel, 0, 0, 0, kCapabilitiesPage, page.data()), aspi::SS_COMP);
  const size_t answered = aspi::GetBE16(page.data()) + 2u;
  ASSERT_LT(answered, page.size());
  EXPECT_EQ(page[8] & 0x3F, kCapabilitiesPage);
  EXPECT_TRUE(std::all_of(page.begin() + static_cast<long>(answered), page.end(), [](uint8_t b) { return b == 0; }));

  inquiry.Reset();
  ASSERT_EQ(scsi::Inquiry(channel, 0, 1, 0, inquiry.Data()), aspi::SS_COMP);
  EXPECT_EQ(inquiry.DeviceType(), aspi::device::kDirectAccess);

  // Addresses where nothing answers: the scan's "No device." path.
  struct Empty {
    uint8_t ha, id, lun;
    int status;
  };
  for (const Empty& empty : {Empty{0, 2, 0, aspi::SS_NO_DEVICE}, Empty{0, 0, 1, aspi::SS_NO_DEVICE},
                             Empty{0, 15, 0, aspi::SS_NO_DEVICE}, Empty{1, 0, 0, aspi::SS_INVALID_HA}}) {
    EXPECT_EQ(scsi::Inquiry(channel, empty.ha, empty.id, empty.lun, inquiry.Data()), empty.status);
  }
  EXPECT_EQ(channel.ExecuteBlock().Block().SRB_HaStat, aspi::HASTAT_OK);
}

TEST(Guest, ReadsTheImageAndReportsAReadPastTheEnd) {
  CapturedLog log;
  auto cd = Open(kCd);
  ASSERT_TRUE(cd->SetDevice());
  EXPECT_EQ(cd->LastLba() + 1, CdSectors());
  EXPECT_EQ(cd->BlockSize(), 2048u);

  std::vector<uint8_t> sector(2048);
  ASSERT_TRUE(cd->Read(16, sector.data(), 2048));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(sector.data()), 6), "\x01" "CD001");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(sector.data()) + 40, VolumeName().size()), VolumeName());

  // One sector past the end: the target's sense 05/21/00, decoded in the
  // program's report.
  EXPECT_EQ(cd->Read10(CdSectors(), 1, sector.data(), 2048), aspi::SS_ERR);
  EXPECT_EQ(cd->Channel().ExecuteBlock().GetTargetStatus(), aspi::STATUS_CHKCOND);
  EXPECT_EQ(LastSense(cd->Channel()), sense::kLbaOutOfRange);
  EXPECT_FALSE(cd->Read(CdSectors(), sector.data(), 2048));
  EXPECT_TRUE(log.Contains("[SCSIDEV::Read] failed.")) << log.Text();
  const std::string text = log.Text();
  EXPECT_NE(text.find("Error Code: 5-21-00"), std::string::npos) << text;
  EXPECT_NE(text.find("Illegal Request: Logical block address out of range."), std::string::npos) << text;
}

TEST(Guest, TheDiskTakesAndGivesBackData) {
  CapturedLog log;
  auto disk = Open(kDisk);
  ASSERT_TRUE(disk->SetDevice());
  // The last 64 KiB of the disk: the copy of the image lies at its start.
  const uint32_t blocks = 65536 / disk->BlockSize();
  const uint32_t lba = disk->LastLba() + 1 - blocks;
  std::vector<uint8_t> written(65536), read(65536, 0xEE);
  for (size_t i = 0; i < written.size(); ++i) written[i] = static_cast<uint8_t>((i * 131 + 7) >> 3);
  ASSERT_TRUE(disk->Write(lba, written.data(), 65536)) << log.Text();
  ASSERT_TRUE(disk->Read(lba, read.data(), 65536)) << log.Text();
  EXPECT_EQ(read, written);

  // The CD refuses a write: 07/27/00 comes back through the data-out path.
  auto cd = Open(kCd);
  ASSERT_TRUE(cd->SetDevice());
  EXPECT_EQ(cd->Write10(0, 1, written.data(), 2048), aspi::SS_ERR);
  EXPECT_EQ(LastSense(cd->Channel()), sense::kWriteProtected);
}

TEST(Guest, EjectLoadAndALockedTray) {
  CapturedLog log;
  auto cd = Open(kCd);

  // A locked tray stays shut.
  ASSERT_EQ(cd->PreventAllowMediumRemoval(aspi::removal::kPrevent), aspi::SS_COMP);
  EXPECT_EQ(cd->SendStartStopUnit(aspi::startstop::kEject, 0), aspi::SS_ERR);
  EXPECT_EQ(LastSense(cd->Channel()), sense::kMediumRemovalPrevented);
  ASSERT_EQ(cd->PreventAllowMediumRemoval(aspi::removal::kAllow), aspi::SS_COMP);

  // Ejected: the drive has no medium.
  ASSERT_TRUE(cd->StartStopUnit(aspi::startstop::kEject));
  EXPECT_EQ(cd->TestUnitReady(), aspi::SS_ERR);
  EXPECT_EQ(cd->Channel().SenseKey(), sense::kNotReadyKey);
  EXPECT_EQ(cd->Channel().Asc(), sense::kAscMediumNotPresent);

  // The volume check loads the disc again and finds the volume.
  ScriptedUiGuard ui;
  VolSizeChoice sizes;
  VolumeInfo info;
  ASSERT_TRUE(CheckHeader(*cd, sizes, info)) << log.Text();
  EXPECT_EQ(info.volumeName.substr(0, VolumeName().size()), VolumeName());
  EXPECT_EQ(info.lbCount, CdSectors());
  EXPECT_EQ(cd->TestUnitReady(), aspi::SS_COMP);
}
