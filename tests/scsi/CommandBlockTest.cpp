// SPDX-License-Identifier: GPL-3.0-or-later
// Every command block as the manager receives it: bytes, length, direction,
// data buffer, data length and wait limit.
#include <gtest/gtest.h>

#include <memory>
#include <numeric>

#include "host/os/Event.h"
#include "scsi/ASPI32.h"
#include "scsi/Commands.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/scsi/TestManagers.h"

namespace {

constexpr uint8_t kIn = 0x48;
constexpr uint8_t kOut = 0x50;

class CommandBlocks : public ::testing::Test {
 protected:
  void SetUp() override { channel_ = std::make_unique<ASPI32>(); }

  ASPI32& Channel() { return *channel_; }

  // Checks the last execute block the manager received.
  void ExpectSent(const std::vector<uint8_t>& cdb, uint8_t flags, uint32_t dataLength, const void* buffer,
                  uint8_t ha, uint8_t id, uint8_t lun, uint32_t waitLimit = host::kInfinite) {
    aspi::SRB_ExecSCSICmd block = manager_.LastExecute();
    std::vector<uint8_t> expected(16, 0);
    std::copy(cdb.begin(), cdb.end(), expected.begin());
    EXPECT_EQ(std::vector<uint8_t>(block.CDBByte, block.CDBByte + 16), expected);
    EXPECT_EQ(block.SRB_CDBLen, cdb.size());
    EXPECT_EQ(block.SRB_Cmd, aspi::SC_EXEC_SCSI_CMD);
    EXPECT_EQ(block.SRB_Flags, flags);
    EXPECT_EQ(uint32_t{block.SRB_BufLen}, dataLength);  // packed fields are copied out first
    EXPECT_EQ(uint64_t{block.SRB_BufPointer}, reinterpret_cast<uintptr_t>(buffer));
    EXPECT_EQ(block.SRB_SenseLen, 144);
    EXPECT_EQ(block.SRB_HaId, ha);
    EXPECT_EQ(block.SRB_Target, id);
    EXPECT_EQ(block.SRB_Lun, lun);
    EXPECT_EQ(Channel().LastTimeout(), waitLimit);
  }

  TestManager manager_{TEST_MANAGER_Synchronous};
  CapturedLog log_;
  ScriptedUiGuard ui_;
  std::unique_ptr<ASPI32> channel_;
};

std::vector<uint8_t> Pattern(size_t size) {
  std::vector<uint8_t> bytes(size);
  std::iota(bytes.begin(), bytes.end(), uint8_t{1});
  return bytes;
}

}  // namespace

TEST_F(CommandBlocks, TestUnitReady) {
  EXPECT_EQ(scsi::TestUnitReady(Channel(), 1, 2, 3), 1);
  ExpectSent({0x00, 0x60, 0, 0, 0, 0}, kIn, 0, nullptr, 1, 2, 3);
}

TEST_F(CommandBlocks, Read6CarriesTheFull24BitLengthButOnly16BitsOfDataLength) {
  std::vector<uint8_t> buffer(0x12345);
  EXPECT_EQ(scsi::Read6(Channel(), 0, 4, 0, false, 0x012345, buffer.data()), 1);
  ExpectSent({0x08, 0x00, 0x01, 0x23, 0x45, 0x00}, kIn, 0x2345, buffer.data(), 0, 4, 0);
  EXPECT_EQ(scsi::Read6(Channel(), 0, 4, 1, true, 32768, buffer.data()), 1);
  ExpectSent({0x08, 0x21, 0x00, 0x80, 0x00, 0x00}, kIn, 32768, buffer.data(), 0, 4, 1);
}

TEST_F(CommandBlocks, InquiryWaitsAtMost2500Ms) {
  std::vector<uint8_t> reply = Pattern(200);
  manager_.Reply(1, {}, reply);
  uint8_t data[scsi::kInquiryLength] = {};
  EXPECT_EQ(scsi::Inquiry(Channel(), 0, 5, 2, data), 1);
  ExpectSent({0x12, 0x40, 0x00, 0x00, 0x80, 0x00}, kIn, 128, data, 0, 5, 2, 2500);
  EXPECT_EQ(std::vector<uint8_t>(data, data + 128), std::vector<uint8_t>(reply.begin(), reply.begin() + 128))
      << "the reply lands in the caller's buffer";
}

TEST_F(CommandBlocks, StartStopUnit) {
  EXPECT_EQ(scsi::StartStopUnit(Channel(), 0, 1, 0, 0x02, 0), 1);  // eject
  ExpectSent({0x1B, 0x00, 0x00, 0x00, 0x02, 0x00}, kOut, 0, nullptr, 0, 1, 0);
  EXPECT_EQ(scsi::StartStopUnit(Channel(), 0, 1, 1, 0x01, 3), 1);
  ExpectSent({0x1B, 0x20, 0x00, 0x00, 0x31, 0x00}, kOut, 0, nullptr, 0, 1, 1);
}

TEST_F(CommandBlocks, PreventAllowMediumRemoval) {
  EXPECT_EQ(scsi::PreventAllowMediumRemoval(Channel(), 0, 1, 0, 0xFF), 1);
  ExpectSent({0x1E, 0x00, 0x00, 0x00, 0x03, 0x00}, kOut, 0, nullptr, 0, 1, 0);
  EXPECT_EQ(scsi::PreventAllowMediumRemoval(Channel(), 0, 1, 0, 0), 1);
  ExpectSent({0x1E, 0x00, 0x00, 0x00, 0x00, 0x00}, kOut, 0, nullptr, 0, 1, 0);
}

TEST_F(CommandBlocks, ReadCapacity) {
  uint8_t data[8] = {};
  manager_.Reply(1, {}, {0x00, 0x23, 0x12, 0x7F, 0x00, 0x00, 0x08, 0x00});
  EXPECT_EQ(scsi::ReadCapacity(Channel(), 0, 1, 0, data), 1);
  ExpectSent({0x25, 0x00, 0, 0, 0, 0, 0, 0, 0, 0}, kIn, 8, data, 0, 1, 0);
  EXPECT_EQ(data[3], 0x7F);
}

TEST_F(CommandBlocks, Read10Of16BlocksAt1000h) {
  std::vector<uint8_t> buffer(32768);
  EXPECT_EQ(scsi::Read10(Channel(), 0, 1, 0, 0x1000, 16, buffer.data(), 32768), 1);
  ExpectSent({0x28, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x10, 0x00}, kIn, 32768, buffer.data(), 0, 1, 0);
}

TEST_F(CommandBlocks, Write10) {
  std::vector<uint8_t> buffer = Pattern(4096);
  EXPECT_EQ(scsi::Write10(Channel(), 1, 3, 2, 0x01020304, 0x0506, buffer.data(), 4096), 1);
  ExpectSent({0x2A, 0x40, 0x01, 0x02, 0x03, 0x04, 0x00, 0x05, 0x06, 0x00}, kOut, 4096, buffer.data(), 1, 3, 2);
  EXPECT_EQ(manager_.LastDataOut(), buffer);
}

TEST_F(CommandBlocks, SynchronizeCacheImmediateOnLun1) {
  EXPECT_EQ(scsi::SynchronizeCache(Channel(), 0, 1, 1, true), 1);
  ExpectSent({0x35, 0x22, 0, 0, 0, 0, 0, 0, 0, 0}, kIn, 0, nullptr, 0, 1, 1);
  EXPECT_EQ(scsi::SynchronizeCache(Channel(), 0, 1, 0, false), 1);
  ExpectSent({0x35, 0x00, 0, 0, 0, 0, 0, 0, 0, 0}, kIn, 0, nullptr, 0, 1, 0);
}

TEST_F(CommandBlocks, WriteBufferMode5At8000h) {
  std::vector<uint8_t> data = Pattern(0x8000);
  EXPECT_EQ(scsi::WriteBuffer(Channel(), 0, 1, 0, 5, 0, 0x8000, data.data(), 0x8000), 1);
  ExpectSent({0x3B, 0x05, 0x00, 0x00, 0x80, 0x00, 0x00, 0x80, 0x00, 0x00}, kOut, 0x8000, data.data(), 0, 1, 0);
  EXPECT_EQ(manager_.LastDataOut(), data);
}

TEST_F(CommandBlocks, WriteBufferOfNoData) {
  EXPECT_EQ(scsi::WriteBuffer(Channel(), 0, 1, 0, 7, 2, 0x123456, nullptr, 0), 1);
  ExpectSent({0x3B, 0x07, 0x02, 0x12, 0x34, 0x56, 0x00, 0x00, 0x00, 0x00}, kOut, 0, nullptr, 0, 1, 0);
}

TEST_F(CommandBlocks, ReadBuffer) {
  std::vector<uint8_t> data(0x1234);
  EXPECT_EQ(scsi::ReadBuffer(Channel(), 0, 1, 2, 0x22, 1, 0x010000, data.data(), 0x1234), 1);
  ExpectSent({0x3C, 0x42, 0x01, 0x01, 0x00, 0x00, 0x00, 0x12, 0x34, 0x00}, kIn, 0x1234, data.data(), 0, 1, 2);
}

TEST_F(CommandBlocks, LogSense) {
  uint8_t data[0x200] = {};
  EXPECT_EQ(scsi::LogSense(Channel(), 0, 1, 0, 0x31, data, 0x200), 1);
  ExpectSent({0x4D, 0x00, 0x31, 0, 0, 0, 0, 0x02, 0x00, 0}, kIn, 0x200, data, 0, 1, 0);
}

TEST_F(CommandBlocks, ReadDiscInformationReadsIntoTheRequestArea) {
  scsi::DiscInformationRequest request;
  request.allocationLength = 2048;
  manager_.Reply(1, {}, {0x00, 0x20, 0x01});
  EXPECT_EQ(scsi::ReadDiscInformation(Channel(), 0, 1, 0, request), 1);
  ExpectSent({0x51, 0x00, 0, 0, 0, 0, 0, 0x08, 0x00, 0}, kIn, 2048, request.data, 0, 1, 0);
  EXPECT_EQ(request.data[2], 0x01);
}

TEST_F(CommandBlocks, ReadDiscInformationNeverMovesMoreThanTheAreaHolds) {
  scsi::DiscInformationRequest request;
  request.allocationLength = 0xFFFF;
  EXPECT_EQ(scsi::ReadDiscInformation(Channel(), 0, 1, 0, request), 1);
  ExpectSent({0x51, 0x00, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0}, kIn, 2048, request.data, 0, 1, 0);
}

TEST_F(CommandBlocks, ReadTrackRZoneInformation) {
  scsi::RZoneRequest request;
  request.address = 0x00000102;
  request.allocationLength = 2048;
  request.addressType = 1;
  EXPECT_EQ(scsi::ReadTrackRZoneInformation(Channel(), 0, 1, 0, request), 1);
  ExpectSent({0x52, 0x01, 0x00, 0x00, 0x01, 0x02, 0x00, 0x08, 0x00, 0x00}, kIn, 36, request.data, 0, 1, 0);
}

TEST_F(CommandBlocks, ReserveRZone) {
  EXPECT_EQ(scsi::ReserveRZone(Channel(), 0, 1, 0, 2298496), 1);
  ExpectSent({0x53, 0x00, 0, 0, 0, 0x00, 0x23, 0x12, 0x80, 0}, kOut, 0, nullptr, 0, 1, 0);
}

TEST_F(CommandBlocks, ModeSelect10SetsPageFormat) {
  std::vector<uint8_t> list = Pattern(68);
  EXPECT_EQ(scsi::ModeSelect10(Channel(), 0, 1, 0, list.data(), 68), 1);
  ExpectSent({0x55, 0x10, 0, 0, 0, 0, 0, 0x00, 0x44, 0}, kOut, 68, list.data(), 0, 1, 0);
  EXPECT_EQ(manager_.LastDataOut(), list);
}

TEST_F(CommandBlocks, ModeSense10AsksFor2048Bytes) {
  std::vector<uint8_t> area(2048);
  EXPECT_EQ(scsi::ModeSense10(Channel(), 0, 1, 1, 0x05, area.data()), 1);
  ExpectSent({0x5A, 0x20, 0x05, 0, 0, 0, 0, 0x08, 0x00, 0}, kIn, 2048, area.data(), 0, 1, 1);
  EXPECT_EQ(scsi::ModeSense10(Channel(), 0, 1, 0, 0x2A, area.data()), 1);
  ExpectSent({0x5A, 0x00, 0x2A, 0, 0, 0, 0, 0x08, 0x00, 0}, kIn, 2048, area.data(), 0, 1, 0);
}

TEST_F(CommandBlocks, Blank) {
  EXPECT_EQ(scsi::Blank(Channel(), 0, 1, 0, true, 1, 0), 1);
  ExpectSent({0xA1, 0x11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, kOut, 0, nullptr, 0, 1, 0);
  EXPECT_EQ(scsi::Blank(Channel(), 0, 1, 0, false, 0x0F, 0x00ABCDEF), 1);
  ExpectSent({0xA1, 0x07, 0x00, 0xAB, 0xCD, 0xEF, 0, 0, 0, 0, 0, 0}, kOut, 0, nullptr, 0, 1, 0);
}

TEST_F(CommandBlocks, Read12AndWrite12) {
  std::vector<uint8_t> buffer = Pattern(32768);
  EXPECT_EQ(scsi::Read12(Channel(), 0, 1, 0, 0x00030000, 16, buffer.data(), 32768), 1);
  ExpectSent({0xA8, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0, 0}, kIn, 32768, buffer.data(), 0, 1,
             0);
  EXPECT_EQ(scsi::Write12(Channel(), 0, 1, 0, 0, 0x01000010, buffer.data(), 32768), 1);
  ExpectSent({0xAA, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x10, 0, 0}, kOut, 32768, buffer.data(), 0,
             1, 0);
  EXPECT_EQ(manager_.LastDataOut(), buffer);
}

TEST_F(CommandBlocks, SendDvdStructureFixedForm) {
  std::vector<uint8_t> list = Pattern(30);
  EXPECT_EQ(scsi::SendDvdStructure(Channel(), 0, 1, 0, 0x00, list.data()), 1);
  ExpectSent({0xBF, 0x00, 0, 0, 0, 0, 0, 0x00, 0x00, 0x18, 0, 0}, kOut, 24, list.data(), 0, 1, 0);
  EXPECT_EQ(manager_.LastDataOut(), std::vector<uint8_t>(list.begin(), list.begin() + 24));
}

TEST_F(CommandBlocks, SendDvdStructureRecordForm) {
  scsi::DvdStructureRecord record;
  record.formatCode = 0x0F;
  record.transferLength = 20;
  record.dataLength = 18;
  EXPECT_EQ(scsi::SendDvdStructure(Channel(), 0, 1, 0, record), 1);
  ExpectSent({0xBF, 0x00, 0, 0, 0, 0, 0, 0x0F, 0x00, 0x14, 0, 0}, kOut, 20, record.list, 0, 1, 0);
}

TEST_F(CommandBlocks, SendDvdStructureRecordNeverSendsPastItsList) {
  scsi::DvdStructureRecord record;
  record.formatCode = 0x05;
  record.transferLength = 0xFFFF;
  EXPECT_EQ(scsi::SendDvdStructure(Channel(), 0, 1, 0, record), 1);
  ExpectSent({0xBF, 0x00, 0, 0, 0, 0, 0, 0x05, 0xFF, 0xFF, 0, 0}, kOut, 2052, record.list, 0, 1, 0);
}

TEST_F(CommandBlocks, VendorCdrConfig) {
  EXPECT_EQ(scsi::VendorCdrConfig(Channel(), 0, 1, 0, 2, 0, 0, 0), 1);
  ExpectSent({0xE6, 0x00, 0, 0, 0, 0x00, 0x02, 0x00, 0x00, 0}, kOut, 0, nullptr, 0, 1, 0);
  EXPECT_EQ(scsi::VendorCdrConfig(Channel(), 0, 1, 0, 1, 0x33, 0x1234, 3), 1);
  ExpectSent({0xE6, 0x00, 0, 0, 0, 0x33, 0x0D, 0x12, 0x34, 0}, kOut, 0, nullptr, 0, 1, 0);
}

TEST_F(CommandBlocks, VendorControl) {
  EXPECT_EQ(scsi::VendorControl(Channel(), 0, 1, 0, 3, true), 1);
  ExpectSent({0xE9, 0x00, 0, 0, 0, 0, 0, 0, 0x0B, 0}, kOut, 0, nullptr, 0, 1, 0);
  EXPECT_EQ(scsi::VendorControl(Channel(), 0, 1, 0, 0xFF, false), 1);
  ExpectSent({0xE9, 0x00, 0, 0, 0, 0, 0, 0, 0x07, 0}, kOut, 0, nullptr, 0, 1, 0);
}

TEST_F(CommandBlocks, VendorReads) {
  uint8_t data[0x100] = {};
  EXPECT_EQ(scsi::VendorRead10(Channel(), 0, 1, 0, data, 0x100), 1);
  ExpectSent({0xE9, 0x00, 0, 0, 0, 0, 0, 0x01, 0x00, 0}, kIn, 0x100, data, 0, 1, 0);
  EXPECT_EQ(scsi::VendorRead12(Channel(), 0, 1, 1, data, 0x80), 1);
  ExpectSent({0xE9, 0x20, 0, 0, 0, 0, 0, 0, 0x00, 0x80, 0, 0}, kIn, 0x80, data, 0, 1, 1);
}

TEST_F(CommandBlocks, VendorWrites) {
  std::vector<uint8_t> data = Pattern(0x40);
  EXPECT_EQ(scsi::VendorWrite10(Channel(), 0, 1, 0, data.data(), 0x40), 1);
  ExpectSent({0xEA, 0x00, 0, 0, 0, 0, 0, 0x00, 0x40, 0}, kOut, 0x40, data.data(), 0, 1, 0);
  EXPECT_EQ(manager_.LastDataOut(), data);
  EXPECT_EQ(scsi::VendorWrite12(Channel(), 0, 1, 0, 0x0A, data.data(), 0x40), 1);
  ExpectSent({0xEA, 0x00, 0, 0, 0, 0, 0, 0xA0, 0x00, 0x40, 0, 0}, kOut, 0x40, data.data(), 0, 1, 0);
}

TEST_F(CommandBlocks, EveryCommandStartsFromAClearedBlock) {
  std::vector<uint8_t> buffer(32768);
  scsi::Read12(Channel(), 0, 1, 0, 0xFFFFFFFF, 0xFFFFFFFF, buffer.data(), 32768);
  EXPECT_EQ(scsi::TestUnitReady(Channel(), 0, 1, 0), 1);
  ExpectSent({0x00, 0x00, 0, 0, 0, 0}, kIn, 0, nullptr, 0, 1, 0);
  aspi::SRB_ExecSCSICmd block = manager_.LastExecute();
  EXPECT_EQ(std::vector<uint8_t>(block.CDBByte, block.CDBByte + 16), std::vector<uint8_t>(16, 0));
}

TEST_F(CommandBlocks, CommandReturnsTheRequestStatus) {
  manager_.Reply(0x82);
  EXPECT_EQ(scsi::TestUnitReady(Channel(), 0, 9, 0), 0x82);
  manager_.Reply(aspi::SS_ERR);
  EXPECT_EQ(scsi::Inquiry(Channel(), 0, 1, 0, std::vector<uint8_t>(128).data()), aspi::SS_ERR);
}
