// SPDX-License-Identifier: GPL-3.0-or-later
// Both writer generations and the generic DVD-R/RW writer, driven by the
// program's own device classes over the simulated bus: write, close, read
// back; a test write; eject and load; BLANK and its polling; a written disc
// in the next run.
#include <gtest/gtest.h>

#include <vector>

#include "devices/CreateDevice.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/ProgramBus.h"

namespace {

constexpr int32_t kClassDvdR090 = 0x8010;
constexpr int32_t kClassDvdR100 = 0x8011;
constexpr int32_t kClassDvdRw = 0x8020;
constexpr int32_t kClassMmcRecorder = 0x8030;

std::string Writer(const std::string& model, const std::string& revision, const std::string& kind,
                   uint32_t sectors) {
  return R"({"id": 4, "model": ")" + model + R"(", "revision": ")" + revision + R"(", "medium": {"kind": ")" + kind +
         R"(", "sectors": )" + std::to_string(sectors) + "}}";
}

// Sector s holds bytes of value s (mod 251) followed by its number.
std::vector<uint8_t> Volume(uint32_t sectors) {
  std::vector<uint8_t> data(size_t{sectors} * 2048 + 65536);
  for (uint32_t s = 0; s < sectors; ++s) {
    std::fill_n(data.begin() + size_t{s} * 2048, 2048, static_cast<uint8_t>(s % 251));
    data[size_t{s} * 2048] = static_cast<uint8_t>(s >> 8);
  }
  return data;
}

class WriterTest : public ::testing::Test {
 protected:
  std::unique_ptr<SCSIDEV> Open(int32_t expectedClass) {
    CreatedDevice created = CreateDevice(0, 4, 0);
    EXPECT_TRUE(created.found);
    EXPECT_EQ(created.device->ClassCode(), expectedClass);
    EXPECT_TRUE(created.device->WaitReady(1000));
    return std::move(created.device);
  }
  void WriteAndClose(SCSIDEV& writer, uint32_t sectors, int testWrite) {
    std::vector<uint8_t> volume = Volume(sectors);
    ASSERT_TRUE(writer.SetWritingConfig(sectors, testWrite, 0));
    writer.SetAddress(0);
    ASSERT_TRUE(writer.Write(volume.data(), sectors * 2048));
    ASSERT_TRUE(writer.FinishWrite());
  }
  void ExpectReadsBack(SCSIDEV& writer, uint32_t sectors) {
    std::vector<uint8_t> expected = Volume(sectors);
    std::vector<uint8_t> back(expected.size());
    ASSERT_TRUE(writer.Read(0, back.data(), sectors * 2048));
    EXPECT_TRUE(std::equal(back.begin(), back.begin() + size_t{sectors} * 2048, expected.begin()));
  }
  bool BlankCheckAt(SCSIDEV& writer, uint32_t lba) {
    std::vector<uint8_t> sector(2048);
    writer.Read10(lba, 1, sector.data(), 2048);
    uint8_t key = 0, asc = 0, ascq = 0;
    writer.GetSense(&key, &asc, &ascq);
    return key == 8 && asc == 0 && ascq == 0;
  }

  CapturedLog log;
  ScriptedUiGuard ui;
};

}  // namespace

TEST_F(WriterTest, FirstGenerationWritesInOrderAndReadsBack) {
  ProgramBus bus(Writer("qxw7100", "0.90", "dvd-r", 40000));
  auto writer = Open(kClassDvdR090);
  EXPECT_EQ(writer->GetFreeSize(), 40000ull * 2048);
  WriteAndClose(*writer, 100, 0);
  EXPECT_TRUE(log.Contains("EndSectorInMain: 8000"));
  // The first generation writes whole 32 KiB pieces: 100 sectors take 112.
  EXPECT_EQ(writer->GetCapacity(), 112ull * 2048);
  ExpectReadsBack(*writer, 100);
}

TEST_F(WriterTest, LaterGenerationReservesWritesAndReadsBack) {
  ProgramBus bus(Writer("qxw7100", "1.07", "dvd-r", 40000));
  auto writer = Open(kClassDvdR100);
  EXPECT_EQ(writer->GetFreeSize(), 40000ull * 2048);
  WriteAndClose(*writer, 100, 0);
  EXPECT_EQ(writer->GetCapacity(), 100ull * 2048);
  EXPECT_EQ(writer->GetFreeSize(), 0u);
  ExpectReadsBack(*writer, 100);
}

TEST_F(WriterTest, SecondWriterClosesWithPollingAndBlanks) {
  // Blanking takes half a second here, so the poll right after BLANK surely finds it running.
  ProgramBus bus(R"({"id": 4, "model": "qxw7200", "medium": {"kind": "dvd-rw", "sectors": 30000},
                     "timing": {"blank_ms": 500000}})");
  auto writer = Open(kClassDvdRw);
  EXPECT_EQ(writer->GetFreeSize(), 30000ull * 2048);
  WriteAndClose(*writer, 64, 0);
  EXPECT_TRUE(log.Contains("SCSIDVDRW::FinishWrite() done."));
  ExpectReadsBack(*writer, 64);
  EXPECT_EQ(writer->GetFreeSize(), 0u);
  EXPECT_TRUE(log.Contains("Disc size is 0."));

  ASSERT_EQ(writer->Blank(true, 0, 0), 1);
  writer->TestUnitReady();
  uint8_t key = 0, asc = 0, ascq = 0;
  writer->GetSense(&key, &asc, &ascq);
  EXPECT_EQ((key << 16) | (asc << 8) | ascq, 0x020407);
  EXPECT_TRUE(writer->WaitReady(100000));
  EXPECT_EQ(writer->GetFreeSize(), 30000ull * 2048);
  EXPECT_TRUE(BlankCheckAt(*writer, 0));
}

// Another vendor's writer answers as an MMC recorder, which the program
// drives through the Multi-Media Commands.
TEST_F(WriterTest, OtherVendorsWriterIsAnMmcRecorder) {
  ProgramBus bus(Writer("dvdrw-writer", "1.30", "dvd-r", 20000));
  auto writer = Open(kClassMmcRecorder);
  WriteAndClose(*writer, 33, 0);
  ExpectReadsBack(*writer, 33);
  // BLANK of a DVD-R is refused.
  writer->Blank(true, 0, 0);
  uint8_t key = 0, asc = 0;
  writer->GetSense(&key, &asc);
  EXPECT_EQ(key, 5);
  EXPECT_EQ(asc, 0x64);
}

TEST_F(WriterTest, TestWriteLeavesTheDiscBlank) {
  for (const char* revision : {"0.90", "1.07"}) {
    SCOPED_TRACE(revision);
    ProgramBus bus(Writer("qxw7100", revision, "dvd-r", 40000));
    auto writer = Open(revision[0] == '0' ? kClassDvdR090 : kClassDvdR100);
    WriteAndClose(*writer, 48, 1);
    ASSERT_TRUE(writer->StartStopUnit(2));  // eject, as after every pass
    ASSERT_TRUE(writer->StartStopUnit(3));
    EXPECT_TRUE(writer->WaitReady(1000));
    EXPECT_EQ(writer->GetFreeSize(), 40000ull * 2048);
    EXPECT_TRUE(BlankCheckAt(*writer, 0));
    // The real write that follows finds the disc as it was.
    WriteAndClose(*writer, 48, 0);
    ExpectReadsBack(*writer, 48);
  }
}

TEST_F(WriterTest, EjectAndLoadBringTheSameDiscBack) {
  ProgramBus bus(Writer("qxw7100", "1.07", "dvd-r", 40000));
  auto writer = Open(kClassDvdR100);
  WriteAndClose(*writer, 16, 0);
  ASSERT_EQ(writer->PreventAllowMediumRemoval(1), 1);
  EXPECT_FALSE(writer->StartStopUnit(2));
  EXPECT_EQ(writer->LastSenseKey(), 5);
  EXPECT_EQ(writer->LastAsc(), 0x53);
  EXPECT_EQ(writer->LastAscq(), 0x02);
  ASSERT_EQ(writer->PreventAllowMediumRemoval(0), 1);
  ASSERT_TRUE(writer->StartStopUnit(2));
  EXPECT_TRUE(writer->WaitNoMedium(0));
  EXPECT_EQ(writer->GetCapacity(), 0u);
  ASSERT_TRUE(writer->StartStopUnit(3));
  EXPECT_TRUE(writer->WaitReady(1000));
  EXPECT_EQ(writer->GetCapacity(), 16ull * 2048);
}

TEST_F(WriterTest, WritingPastTheReservationIsRefused) {
  ProgramBus bus(Writer("qxw7100", "1.07", "dvd-r", 40000));
  auto writer = Open(kClassDvdR100);
  ASSERT_TRUE(writer->SetWritingConfig(16, 0, 0));
  std::vector<uint8_t> volume = Volume(32);
  writer->SetAddress(0);
  EXPECT_FALSE(writer->Write(volume.data(), 32 * 2048));
  EXPECT_TRUE(log.Contains("[SCSIDVDR100::Write] failed."));
  EXPECT_EQ(writer->LastSenseKey(), 5);
  EXPECT_EQ(writer->LastAsc(), 0x21);
}

TEST_F(WriterTest, AWrittenDiscIsThereInTheNextRun) {
  ProgramBus bus(Writer("qxw7100", "1.07", "dvd-r", 40000));
  {
    auto writer = Open(kClassDvdR100);
    WriteAndClose(*writer, 40, 0);
  }
  bus.Restart();
  auto writer = Open(kClassDvdR100);
  EXPECT_EQ(writer->GetCapacity(), 40ull * 2048);
  ExpectReadsBack(*writer, 40);
  // A closed DVD-R takes no second reservation.
  EXPECT_EQ(writer->ReserveRZone(10), 4);
  uint8_t key = 0, asc = 0, ascq = 0;
  writer->GetSense(&key, &asc, &ascq);
  EXPECT_EQ((key << 16) | (asc << 8) | ascq, 0x053005);
}
