// SPDX-License-Identifier: GPL-3.0-or-later
// ReadDiscState and ReadMediumIdentity against the simulated bus: the MMC
// recorders name their medium themselves, the maker's writers are read from
// their disc information, and a drive without a disc says why.
#include <gtest/gtest.h>

#include "devices/CreateDevice.h"
#include "devices/DiscState.h"
#include "devices/MediumIdentity.h"
#include "host/aspi/MmcVocabulary.h"
#include "tests/devices/DeviceTestSupport.h"
#include "tests/devices/SimBus.h"
#include "tests/fixtures/TempDir.h"

namespace {

using DiscStateTest = DeviceTest;

struct StateRow {
  const char* model;
  std::string medium;  // the description's medium entry, or "" for none
  DiscPresence presence;
  bool mmc;
  const char* name;
  DiscStatus status;
  uint32_t freeBlocks;
  const char* line;
  const char* identity;  // ReadMediumIdentity's text
};

TEST_F(DiscStateTest, EachDriveAndDiscAsAPersonIsTold) {
  TempDir images;
  const std::string image = images.Write("rom.iso", std::string(10 * 2048, 'x'));
  const StateRow rows[] = {
      {"dvdrw-writer", BlankDisc("dvd-r", 4096), DiscPresence::Ready, true, "DVD-R", DiscStatus::Blank, 4096,
       "DVD-R, blank, 8,388,608 bytes free", "SIMDISCR01"},
      {"dvdrw-writer", BlankDisc("dvd-rw", 2048), DiscPresence::Ready, true, "DVD-RW", DiscStatus::Blank, 2048,
       "DVD-RW, blank, 4,194,304 bytes free", "SIMDISCR01"},
      {"mmc-recorder", BlankDisc("dvd+r", 1000), DiscPresence::Ready, true, "DVD+R", DiscStatus::Blank, 1000,
       "DVD+R, blank, 2,048,000 bytes free", "SIMDISC/R01"},
      {"mmc-recorder", "", DiscPresence::NoDisc, false, "", DiscStatus::Unknown, 0, "no disc", ""},
      {"dvd-rom", "\"medium\": {\"kind\": \"image\", \"path\": \"" + image + "\"}", DiscPresence::Ready, true,
       "DVD-ROM", DiscStatus::Closed, 0, "DVD-ROM, closed", ""},
      // The maker's writers know no GET CONFIGURATION: the medium is read
      // from the disc information.
      {"qxw7100", BlankDisc("dvd-r", 4096), DiscPresence::Ready, false, "DVD-R", DiscStatus::Blank, 4096,
       "DVD-R, blank, 8,388,608 bytes free", ""},
      {"qxw7200", BlankDisc("dvd-rw", 4096), DiscPresence::Ready, false, "DVD-RW", DiscStatus::Blank, 4096,
       "DVD-RW, blank, 8,388,608 bytes free", ""},
      {"qxw7100", "", DiscPresence::NoDisc, false, "", DiscStatus::Unknown, 0, "no disc", ""},
      // A first-generation writer that knows no disc information either:
      // its DVD-R's room is its capacity.
      {"qxw7100", BlankDisc("dvd-r", 4096) + R"(, "revision": "0.90", "faults": [)" + SenseFault(0x51, "05/20/00") + "]",
       DiscPresence::Ready, false, "DVD-R", DiscStatus::Unknown, 4096, "DVD-R, 8,388,608 bytes free", ""},
  };
  // One bus for every row (the manager is loaded once per test): row k's
  // drive at target k + 1.
  std::string devices;
  for (size_t k = 0; k < std::size(rows); ++k)
    devices += (k == 0 ? "" : ",") + DeviceEntry(static_cast<int>(k + 1), rows[k].model, rows[k].medium);
  SimBus bus(devices);
  int id = 0;
  for (const StateRow& row : rows) {
    SCOPED_TRACE(std::string(row.model) + " " + row.medium);
    auto device = CreateDevice(0, static_cast<uint8_t>(++id), 0).device;
    DiscState state = ReadDiscState(*device);
    EXPECT_EQ(state.presence, row.presence);
    EXPECT_EQ(state.mmc, row.mmc);
    EXPECT_EQ(state.medium, row.name);
    EXPECT_EQ(state.status, row.status);
    EXPECT_EQ(state.freeBlocks, row.freeBlocks);
    EXPECT_EQ(state.nextWritable, 0u);
    EXPECT_EQ(state.Line(), row.line);
    EXPECT_TRUE(log.Contains("[ReadDiscState] 0," + std::to_string(id) + ",0: " + row.line)) << log.Text();
    EXPECT_EQ(ReadMediumIdentity(*device).Text(), row.identity);
  }
}

TEST_F(DiscStateTest, TrayOpenAndADiscBeingLoaded) {
  SimBus bus(DeviceEntry(1, "mmc-recorder", BlankDisc("dvd-r", 4096) + R"(, "timing": {"load_ms": 100000})"));
  auto device = CreateDevice(0, 1, 0).device;
  ASSERT_TRUE(device->StartStopUnit(aspi::startstop::kEject));
  DiscState open = ReadDiscState(*device);
  EXPECT_EQ(open.presence, DiscPresence::TrayOpen);
  EXPECT_EQ(open.sense, aspi::sense::kMediumNotPresentTrayOpen);
  EXPECT_EQ(open.Line(), "tray open");
  EXPECT_FALSE(open.HasDisc());
  // Loaded again, the drive stays "becoming ready" longer than the state
  // waits for (time-scaled): it is busy, not without a disc.
  ASSERT_TRUE(device->StartStopUnit(aspi::startstop::kLoadAndStart));
  DiscState loading = ReadDiscState(*device);
  EXPECT_EQ(loading.presence, DiscPresence::Busy);
  EXPECT_EQ(loading.Line(), "not ready (2-04-01)");
}

TEST_F(DiscStateTest, AWrittenDiscIsClosedWithItsSizeAndNoRoom) {
  SimBus bus(DeviceEntry(1, "mmc-recorder", BlankDisc("dvd-r", 4096)));
  auto device = CreateDevice(0, 1, 0).device;
  std::vector<uint8_t> data(32768, 0x5A);
  ASSERT_EQ(device->ReserveRZone(64), aspi::SS_COMP);
  ASSERT_EQ(device->Write10(0, 16, data.data(), 32768), aspi::SS_COMP);
  DiscState writing = ReadDiscState(*device);
  EXPECT_EQ(writing.status, DiscStatus::Appendable);
  EXPECT_EQ(writing.nextWritable, 16u);
  EXPECT_EQ(writing.freeBlocks, 48u);
  ASSERT_EQ(device->CloseTrackSession(false, aspi::closing::kTrack, 1), aspi::SS_COMP);
  ASSERT_EQ(device->CloseTrackSession(false, aspi::closing::kSession, 0), aspi::SS_COMP);
  DiscState closed = ReadDiscState(*device);
  EXPECT_EQ(closed.status, DiscStatus::Closed);
  EXPECT_EQ(closed.freeBlocks, 0u);
  EXPECT_EQ(closed.recordedBlocks, 64u) << "the reserved track is padded to its size";
  EXPECT_EQ(closed.Line(), "DVD-R, closed");
}

}  // namespace
