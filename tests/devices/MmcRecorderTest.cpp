// SPDX-License-Identifier: GPL-3.0-or-later
// MMCRECORDER against the simulated MMC recorders: the class the factory
// picks, the commands of a disc-at-once write on each medium (the bytes that
// reach the drive), the reservation a drive does not know, a full buffer,
// the end of the write and a drive that never finishes it.
#include <gtest/gtest.h>

#include <typeinfo>
#include <vector>

#include "devices/CreateDevice.h"
#include "devices/DiscState.h"
#include "devices/MMCRECORDER.h"
#include "devices/SCSIDVDRW.h"
#include "host/aspi/MmcVocabulary.h"
#include "host/aspi/OperationCodes.h"
#include "host/ui/MessageBox.h"
#include "tests/devices/DeviceTestSupport.h"
#include "tests/devices/SimBus.h"

namespace {

namespace op = aspi::op;
using MmcRecorder = DeviceTest;

std::vector<uint8_t> Pattern(size_t bytes) {
  std::vector<uint8_t> data(bytes);
  for (size_t i = 0; i < bytes; ++i) data[i] = static_cast<uint8_t>(i * 7 + (i >> 11));
  return data;
}

// Writes `data` as the operation thread does: configure, pieces, finish.
bool Record(MMCRECORDER& recorder, std::vector<uint8_t> data, int testWrite) {
  const uint32_t sectors = static_cast<uint32_t>(data.size() / 2048);
  if (!recorder.SetWritingConfig(sectors, testWrite, 0)) return false;
  recorder.SetAddress(0);
  for (size_t at = 0; at < data.size(); at += 65536)
    if (!recorder.Write(data.data() + at, static_cast<uint32_t>(std::min<size_t>(65536, data.size() - at))))
      return false;
  return recorder.FinishWrite();
}

TEST_F(MmcRecorder, TheFactoryChoosesItForOtherMakersWritersOnly) {
  SimBus bus(DeviceEntry(1, "dvdrw-writer", BlankDisc("dvd-r")) + "," +
             DeviceEntry(2, "mmc-recorder", R"("vendor": "PLEXWAVE", "product": "DVDR PX-900")") + "," +
             DeviceEntry(3, "dvd-rom") + "," + DeviceEntry(4, "qxw7200", BlankDisc("dvd-rw")));
  const std::pair<uint8_t, const std::type_info*> expected[] = {
      {1, &typeid(MMCRECORDER)}, {2, &typeid(MMCRECORDER)}, {3, &typeid(SCSIDEV)}, {4, &typeid(SCSIDVDRW)}};
  for (auto [id, type] : expected) {
    bus.Clear();
    CreatedDevice created = CreateDevice(0, id, 0);
    EXPECT_EQ(typeid(*created.device), *type) << int(id);
    // Another maker's drive is asked GET CONFIGURATION once; the maker's
    // drives never (they keep their capabilities page).
    EXPECT_EQ(bus.Count(op::kGetConfiguration), id == 4 ? 0u : 1u) << int(id);
  }
  CreatedDevice named = CreateDevice(0, 2, 0);
  EXPECT_STREQ(named.device->Vendor(), "PLEXWAVE");
  EXPECT_EQ(named.device->ClassCode(), MMCRECORDER::kClassCode);
}

struct WriteRow {
  const char* medium;
  int testWrite;
  bool modeSelect;     // page 05h is set (not for DVD+R)
  uint8_t writeByte;   // page byte 2 as sent: write type SAO, test bit
  const char* after;   // the disc afterwards
};

TEST_F(MmcRecorder, ADiscAtOnceWriteOnEachMedium) {
  const WriteRow rows[] = {
      {"dvd-r", 0, true, 0x02, "DVD-R, closed"},
      {"dvd-r", 1, true, 0x12, "DVD-R, blank, 8,388,608 bytes free"},
      {"dvd-rw", 0, true, 0x02, "DVD-RW, closed"},
      {"dvd+r", 0, false, 0, "DVD+R, closed"},
  };
  // One bus for every row (the manager is loaded once per test): row k's
  // recorder at target k + 1.
  std::string devices;
  for (size_t k = 0; k < std::size(rows); ++k)
    devices += (k == 0 ? "" : ",") + DeviceEntry(static_cast<int>(k + 1), "dvdrw-writer", BlankDisc(rows[k].medium, 4096));
  SimBus bus(devices);
  uint8_t id = 0;
  for (const WriteRow& row : rows) {
    SCOPED_TRACE(std::string(row.medium) + (row.testWrite ? " test" : ""));
    MMCRECORDER recorder(0, ++id, 0);
    bus.Clear();
    const std::vector<uint8_t> data = Pattern(40 * 2048);
    ASSERT_TRUE(Record(recorder, data, row.testWrite)) << log.Text();

    auto selects = bus.Commands(op::kModeSelect10);
    ASSERT_EQ(selects.size(), row.modeSelect ? 1u : 0u);
    if (row.modeSelect) {
      const std::vector<uint8_t>& list = selects[0].data;
      const size_t page = 8 + (list[6] << 8 | list[7]);
      EXPECT_EQ(list[page], 0x05);
      EXPECT_EQ(list[page + 2], row.writeByte);
      EXPECT_EQ(list[page + 3], 0x05) << "track mode 5, no multi-session";
      EXPECT_EQ(list[page + 4] & 0x0F, 0x08) << "data block type: 2048-byte mode 1";
    }
    auto reserve = bus.Commands(op::kReserveRZone);
    ASSERT_EQ(reserve.size(), 1u);
    EXPECT_EQ(reserve[0].Cdb(), (std::vector<uint8_t>{0x53, 0, 0, 0, 0, 0, 0, 0, 40, 0}));
    // 32 KiB pieces from the next writable address on.
    auto writes = bus.Commands(op::kWrite10);
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[1].Cdb(), (std::vector<uint8_t>{0x2A, 0, 0, 0, 0, 16, 0, 0, 16, 0}));
    EXPECT_EQ(writes[2].Cdb(), (std::vector<uint8_t>{0x2A, 0, 0, 0, 0, 32, 0, 0, 8, 0}));
    // The end: an immediate flush, then the track and the session closed.
    EXPECT_EQ(bus.Commands(op::kSynchronizeCache).at(0).Cdb()[1], 0x02);
    auto closes = bus.Commands(op::kCloseTrackSession);
    ASSERT_EQ(closes.size(), 2u);
    EXPECT_EQ(closes[0].Cdb(), (std::vector<uint8_t>{0x5B, 0x01, 0x01, 0, 0, 1, 0, 0, 0, 0}));
    EXPECT_EQ(closes[1].Cdb(), (std::vector<uint8_t>{0x5B, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0}));

    DiscState state = ReadDiscState(recorder);
    EXPECT_EQ(state.Line(), row.after);
    if (row.testWrite == 0) {
      std::vector<uint8_t> back(data.size());
      ASSERT_TRUE(recorder.Read(0, back.data(), static_cast<uint32_t>(back.size())));
      EXPECT_EQ(back, data);
      EXPECT_EQ(state.recordedBlocks, 40u);
    }
  }
}

TEST_F(MmcRecorder, ADriveWithoutReservationsAndAFullBuffer) {
  // RESERVE TRACK unknown (as tgt behind QEMU answers it), and the first two
  // writes find the drive's buffer full.
  SimBus bus(DeviceEntry(6, "mmc-recorder",
                         BlankDisc("dvd+r", 4096) + R"(, "faults": [)" + SenseFault(op::kReserveRZone, "05/20/00") +
                             "," + SenseFault(op::kWrite10, "02/04/08", 2) + "]"));
  MMCRECORDER recorder(0, 6, 0);
  const std::vector<uint8_t> data = Pattern(20 * 2048);
  ASSERT_TRUE(Record(recorder, data, 0)) << log.Text();
  EXPECT_TRUE(log.Contains("The drive reserves no track (5-20-00): the track is written without a reservation."));
  EXPECT_EQ(bus.Count(op::kWrite10), 4u) << "two waits, then both pieces";
  EXPECT_EQ(CountPrefixed("[MMCRECORDER::Write]"), 0) << "a full buffer is no failure";
  DiscState state = ReadDiscState(recorder);
  EXPECT_EQ(state.Line(), "DVD+R, closed");
  EXPECT_EQ(state.recordedBlocks, 20u) << "a track without a reservation ends where its data ends";
}

TEST_F(MmcRecorder, ARefusedWriteAndADriveThatNeverFinishes) {
  // From its fourth TEST UNIT READY on (after the disc state, the write
  // parameters and the geometry), the drive reports a long write for ever.
  SimBus bus(DeviceEntry(6, "dvdrw-writer",
                         BlankDisc("dvd-r", 4096) + R"(, "faults": [)" + SenseFault(op::kWrite10, "03/0C/00", 0, 2) +
                             "," + SenseFault(op::kTestUnitReady, "02/04/08", 0, 4) + "]"));
  MMCRECORDER recorder(0, 6, 0);
  std::vector<uint8_t> data = Pattern(32 * 2048);
  ASSERT_TRUE(recorder.SetWritingConfig(32, 0, 0));
  recorder.SetAddress(0);
  // The second piece fails with a medium error: no retry, a report.
  EXPECT_FALSE(recorder.Write(data.data(), 65536));
  EXPECT_EQ(bus.Count(op::kWrite10), 2u);
  EXPECT_EQ(CountEntries("[MMCRECORDER::Write] failed."), 1);
  EXPECT_TRUE(log.Contains("Error Code: 3-0C-00")) << log.Text();
  // The end of the write is given up after the bound, not waited for
  // without end.
  EXPECT_FALSE(recorder.FinishWrite());
  EXPECT_TRUE(log.Contains("[MMCRECORDER::FinishWrite] The drive is still busy 900 s after SYNCHRONIZE CACHE."))
      << log.Text();
  EXPECT_EQ(CountEntries("MMCRECORDER::FinishWrite() failed."), 1);
}

TEST_F(MmcRecorder, NothingIsSentToADiscItRefuses) {
  SimBus bus(DeviceEntry(6, "mmc-recorder", BlankDisc("dvd+r", 4096)));
  MMCRECORDER recorder(0, 6, 0);
  ui.Expect("The DVD+R in 0,6,0 (GENERIC DVD RECORDER) cannot be test written: a DVD+R has no test write. Choose "
            "Write or Write & Verify.",
            "Error", ui::kOk | ui::kIconError, ui::kIdOk);
  EXPECT_FALSE(recorder.SetWritingConfig(32, 1, 0));
  EXPECT_EQ(recorder.MediumRefusal(true),
            "The DVD+R in 0,6,0 (GENERIC DVD RECORDER) cannot be test written: a DVD+R has no test write. Choose "
            "Write or Write & Verify.");
  EXPECT_EQ(recorder.MediumRefusal(false), "");
  for (uint8_t opcode : {op::kModeSelect10, op::kReserveRZone, op::kWrite10, op::kCloseTrackSession})
    EXPECT_EQ(bus.Count(opcode), 0u) << int(opcode);
}

}  // namespace
