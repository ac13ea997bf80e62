// SPDX-License-Identifier: GPL-3.0-or-later
// A DVD writer at the command-block level: trays, reservations, writes that
// a drive refuses, closing, and what persists to the next run.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "tests/managers/simbus/TestBus.h"

namespace {

const char* kWriter = R"({"adapters": [{"devices": [{"id": 4, "model": "qxw7100", "revision": "1.07",
    "medium": {"kind": "dvd-r", "sectors": 4096}, "timing": {"close_ms": 500000, "load_ms": 500000}}]}]})";

const std::vector<uint8_t> kTestUnitReady = {0, 0, 0, 0, 0, 0};
const std::vector<uint8_t> kEject = {0x1B, 0, 0, 0, 0x02, 0};
const std::vector<uint8_t> kLoad = {0x1B, 0, 0, 0, 0x03, 0};
const std::vector<uint8_t> kPrevent = {0x1E, 0, 0, 0, 0x01, 0};
const std::vector<uint8_t> kAllow = {0x1E, 0, 0, 0, 0x00, 0};

std::vector<uint8_t> Reserve(uint32_t sectors) {
  return {0x53, 0, 0, 0, 0, uint8_t(sectors >> 24), uint8_t(sectors >> 16), uint8_t(sectors >> 8), uint8_t(sectors), 0};
}

uint32_t Be32(const uint8_t* p) { return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]; }

struct Writer : TestBus {
  Writer() : TestBus(kWriter) {}
  Reply Write(uint32_t lba, uint16_t blocks, uint8_t fill) {
    std::vector<uint8_t> data(size_t{blocks} * 2048, fill);
    return Exec(4, Cdb10(0x2A, lba, blocks), data.data(), static_cast<uint32_t>(data.size()), true);
  }
  uint32_t Capacity() {
    uint8_t reply[8] = {};
    EXPECT_EQ(Exec(4, Cdb10(0x25, 0, 0), reply, 8).status, aspi::SS_COMP);
    return Be32(reply) + 1;
  }
  uint32_t FreeBlocks() {
    uint8_t reply[36] = {};
    EXPECT_EQ(Exec(4, {0x52, 0, 0, 0, 0, 0, 0, 0, 36, 0}, reply, 36).status, aspi::SS_COMP);
    return Be32(reply + 16);
  }
  uint8_t DiscStatus() {
    uint8_t reply[34] = {};
    EXPECT_EQ(Exec(4, {0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0}, reply, 34).status, aspi::SS_COMP);
    return reply[2] & 0x03;
  }
};

}  // namespace

TEST(DvdWriterBlocks, BlankDiscOffersItsWholeSize) {
  Writer w;
  EXPECT_EQ(w.Capacity(), 4096u);
  EXPECT_EQ(w.FreeBlocks(), 4096u);
  EXPECT_EQ(w.DiscStatus(), 0);
  uint8_t sector[2048];
  Reply unrecorded = w.Exec(4, Cdb10(0x28, 0, 1), sector, 2048);
  EXPECT_EQ(unrecorded.SenseText(), "08/00/00");
}

TEST(DvdWriterBlocks, ReservationWriteAndCloseThenReadBack) {
  Writer w;
  ASSERT_EQ(w.Exec(4, Reserve(32)).status, aspi::SS_COMP);
  EXPECT_EQ(w.FreeBlocks(), 32u);
  EXPECT_EQ(w.DiscStatus(), 1);
  ASSERT_EQ(w.Write(0, 16, 0x11).status, aspi::SS_COMP);
  EXPECT_EQ(w.FreeBlocks(), 16u);
  ASSERT_EQ(w.Write(16, 16, 0x22).status, aspi::SS_COMP);
  ASSERT_EQ(w.Exec(4, {0x35, 0x02, 0, 0, 0, 0, 0, 0, 0, 0}).status, aspi::SS_COMP);
  EXPECT_EQ(w.Exec(4, kTestUnitReady).SenseText(), "02/04/08");
  ASSERT_TRUE(w.WaitReady(4));
  EXPECT_EQ(w.DiscStatus(), 2);
  EXPECT_EQ(w.Capacity(), 32u);
  EXPECT_EQ(w.FreeBlocks(), 0u);
  std::vector<uint8_t> back(2 * 2048);
  ASSERT_EQ(w.Exec(4, Cdb10(0x28, 15, 2), back.data(), 4096).status, aspi::SS_COMP);
  EXPECT_EQ(back[0], 0x11);
  EXPECT_EQ(back[2048], 0x22);
  EXPECT_EQ(w.Exec(4, Cdb10(0x28, 32, 1), back.data(), 2048).SenseText(), "08/00/00");
  EXPECT_EQ(w.Exec(4, Cdb10(0x28, 4096, 1), back.data(), 2048).SenseText(), "05/21/00");
}

TEST(DvdWriterBlocks, WritesADriveRefuses) {
  Writer w;
  EXPECT_EQ(w.Write(0, 1, 0).SenseText(), "05/2C/00");  // nothing reserved
  ASSERT_EQ(w.Exec(4, Reserve(20)).status, aspi::SS_COMP);
  EXPECT_EQ(w.Exec(4, Reserve(20)).SenseText(), "05/72/05");
  Reply wrongAddress = w.Write(5, 1, 0);
  EXPECT_EQ(wrongAddress.SenseText(), "05/38/00");
  EXPECT_EQ(wrongAddress.sense[21], 1);
  ASSERT_EQ(w.Write(0, 16, 0).status, aspi::SS_COMP);
  EXPECT_EQ(w.Write(16, 16, 0).SenseText(), "05/21/00");  // past the reservation
  ASSERT_EQ(w.Exec(4, {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}).status, aspi::SS_COMP);
  EXPECT_EQ(w.Write(20, 1, 0).SenseText(), "05/30/05");  // closed DVD-R
  EXPECT_EQ(w.Exec(4, Reserve(10)).SenseText(), "05/30/05");
  EXPECT_EQ(w.Exec(4, {0xA1, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}).SenseText(), "05/20/00");  // no BLANK here
}

TEST(DvdWriterBlocks, TrayEjectsAndLoadsTheSameDisc) {
  Writer w;
  ASSERT_EQ(w.Exec(4, Reserve(16)).status, aspi::SS_COMP);
  ASSERT_EQ(w.Write(0, 16, 0x33).status, aspi::SS_COMP);
  ASSERT_EQ(w.Exec(4, {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}).status, aspi::SS_COMP);
  ASSERT_EQ(w.Exec(4, kPrevent).status, aspi::SS_COMP);
  EXPECT_EQ(w.Exec(4, kEject).SenseText(), "05/53/02");
  ASSERT_EQ(w.Exec(4, kAllow).status, aspi::SS_COMP);
  ASSERT_EQ(w.Exec(4, kEject).status, aspi::SS_COMP);
  EXPECT_EQ(w.Exec(4, kTestUnitReady).SenseText(), "02/3A/00");
  EXPECT_EQ(w.Exec(4, kTestUnitReady).SenseText(), "02/3A/00");
  ASSERT_EQ(w.Exec(4, kLoad).status, aspi::SS_COMP);
  EXPECT_EQ(w.Exec(4, kTestUnitReady).SenseText(), "02/04/01");
  ASSERT_TRUE(w.WaitReady(4));
  EXPECT_EQ(w.Capacity(), 16u);
}

TEST(DvdWriterBlocks, TestWriteRecordsNothing) {
  Writer w;
  uint8_t page[2048] = {};
  ASSERT_EQ(w.Exec(4, {0x5A, 0, 0x05, 0, 0, 0, 0, 0x08, 0, 0}, page, 2048).status, aspi::SS_COMP);
  EXPECT_EQ(page[16], 0x05);
  page[0] = page[1] = 0;
  page[18] = (page[18] & 0xE0) | 0x02 | 0x10;
  ASSERT_EQ(w.Exec(4, {0x55, 0x10, 0, 0, 0, 0, 0, 0, 68, 0}, page, 68, true).status, aspi::SS_COMP);
  ASSERT_EQ(w.Exec(4, Reserve(16)).status, aspi::SS_COMP);
  EXPECT_EQ(w.FreeBlocks(), 16u);
  ASSERT_EQ(w.Write(0, 16, 0x44).status, aspi::SS_COMP);
  ASSERT_EQ(w.Exec(4, {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}).status, aspi::SS_COMP);
  EXPECT_EQ(w.DiscStatus(), 0);
  EXPECT_EQ(w.FreeBlocks(), 4096u);
  uint8_t sector[2048];
  EXPECT_EQ(w.Exec(4, Cdb10(0x28, 0, 1), sector, 2048).SenseText(), "08/00/00");
}

TEST(DvdWriterBlocks, AWrittenDiscPersistsToTheNextRun) {
  Writer w;
  ASSERT_EQ(w.Exec(4, Reserve(16)).status, aspi::SS_COMP);
  ASSERT_EQ(w.Write(0, 16, 0x55).status, aspi::SS_COMP);
  ASSERT_EQ(w.Exec(4, {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}).status, aspi::SS_COMP);
  w.Restart();
  EXPECT_EQ(w.DiscStatus(), 2);
  EXPECT_EQ(w.Capacity(), 16u);
  uint8_t sector[2048] = {};
  ASSERT_EQ(w.Exec(4, Cdb10(0x28, 3, 1), sector, 2048).status, aspi::SS_COMP);
  EXPECT_EQ(sector[100], 0x55);
}

TEST(DvdWriterBlocks, ModeSelectOfAShortListIsRefused) {
  Writer w;
  uint8_t list[68] = {};
  list[7] = 0;  // no block descriptor; page header cut off after 1 byte
  list[8] = 0x05;
  EXPECT_EQ(w.Exec(4, {0x55, 0x10, 0, 0, 0, 0, 0, 0, 9, 0}, list, 9, true).SenseText(), "05/1A/00");
  EXPECT_EQ(w.Exec(4, {0x55, 0x10, 0, 0, 0, 0, 0, 0, 68, 0}, list, 10, true).SenseText(), "05/24/00");
}

TEST(DvdWriterBlocksState, ADamagedRecordGivesAFreshDisc) {
  Writer w;
  ASSERT_EQ(w.Exec(4, Reserve(16)).status, aspi::SS_COMP);
  w.Stop();
  const std::string record = w.StateDir() + "/drive-0-4-0.json";
  std::string text = TempDir::Read(record);
  ASSERT_NE(text.find("\"reserved\": 16"), std::string::npos) << text;
  // More reserved than the disc holds.
  std::string damaged = text;
  damaged.replace(damaged.find("\"reserved\": 16"), 14, "\"reserved\": 99999");
  std::FILE* file = std::fopen(record.c_str(), "w");
  std::fputs(damaged.c_str(), file);
  std::fclose(file);
  w.Start();
  EXPECT_EQ(w.DiscStatus(), 0);
  EXPECT_EQ(w.FreeBlocks(), 4096u);
  // Not JSON at all.
  w.Stop();
  file = std::fopen(record.c_str(), "w");
  std::fputs("{ not json", file);
  std::fclose(file);
  w.Start();
  EXPECT_EQ(w.DiscStatus(), 0);
}
