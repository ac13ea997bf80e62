// SPDX-License-Identifier: GPL-3.0-or-later
// The request-block wrappers: initial contents of each block, the virtual
// operations, and the developer boxes of ShowDebug.
#include <gtest/gtest.h>

#include <cstring>

#include "host/ui/MessageBox.h"
#include "scsi/Srb.h"
#include "tests/fixtures/ScriptedUiGuard.h"

namespace {

template <typename Block>
std::vector<uint8_t> BytesOf(const Block& block) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(&block);
  return std::vector<uint8_t>(bytes, bytes + sizeof block);
}

}  // namespace

TEST(RequestBlocks, LayoutOfTheBlocks) {
  EXPECT_EQ(offsetof(aspi::SRB_ExecSCSICmd, SRB_BufPointer), 16u);
  EXPECT_EQ(offsetof(aspi::SRB_ExecSCSICmd, SRB_SenseLen), 24u);
  EXPECT_EQ(offsetof(aspi::SRB_ExecSCSICmd, SRB_HaStat), 26u);
  EXPECT_EQ(offsetof(aspi::SRB_ExecSCSICmd, SRB_PostProc), 28u);
  EXPECT_EQ(offsetof(aspi::SRB_ExecSCSICmd, CDBByte), 56u);
  EXPECT_EQ(offsetof(aspi::SRB_ExecSCSICmd, SenseArea), static_cast<size_t>(aspi::kExecHeadLength) + 0u);
  EXPECT_EQ(offsetof(aspi::SRB_Abort, SRB_ToAbort), 8u);
  EXPECT_EQ(offsetof(aspi::SRB_HAInquiry, HA_Unique), 42u);
  EXPECT_EQ(offsetof(aspi::SRB_BusDeviceReset, SRB_PostProc), 24u);
}

TEST(RequestBlocks, HostAdapterInquiryInit) {
  HAInqSRB srb;
  std::memset(srb.GetRequest(), 0x5A, sizeof(aspi::SRB_HAInquiry));
  srb.Init(0x48);
  std::vector<uint8_t> expected(60, 0);
  expected[9] = 0xFF;  // HA_SCSI_ID
  EXPECT_EQ(BytesOf(srb.Block()), expected) << "flags are ignored";
  srb.Block().SRB_Status = 0x81;
  srb.Block().SRB_HaId = 3;
  EXPECT_EQ(srb.GetStatus(), 0x81);
  EXPECT_EQ(srb.GetTargetStatus(), 0);
  EXPECT_EQ(srb.GetSenseArea(), nullptr);
  EXPECT_EQ(srb.GetHostAdapter(), 3);
  EXPECT_EQ(srb.GetRequest(), &srb.Block());
}

TEST(RequestBlocks, ExecuteInit) {
  ExecuteSRB srb;
  std::memset(srb.GetRequest(), 0x5A, sizeof(aspi::SRB_ExecSCSICmd));
  srb.Init(0x50);
  std::vector<uint8_t> expected(sizeof(aspi::SRB_ExecSCSICmd), 0);
  expected[0] = 0x02;
  expected[3] = 0x50;
  expected[24] = 144;  // SRB_SenseLen
  expected[25] = 6;    // SRB_CDBLen
  EXPECT_EQ(BytesOf(srb.Block()), expected);
  srb.Block().SRB_TargStat = 0x02;
  srb.Block().SRB_HaId = 1;
  EXPECT_EQ(srb.GetTargetStatus(), 0x02);
  EXPECT_EQ(srb.GetHostAdapter(), 1);
  EXPECT_EQ(srb.GetSenseArea(), srb.Block().SenseArea);
}

TEST(RequestBlocks, ResetAndAbortInit) {
  ResetSRB reset;
  std::memset(reset.GetRequest(), 0x5A, sizeof(aspi::SRB_BusDeviceReset));
  reset.Init(0x40);
  std::vector<uint8_t> expectedReset(sizeof(aspi::SRB_BusDeviceReset), 0);
  expectedReset[0] = 0x04;
  expectedReset[3] = 0x40;
  EXPECT_EQ(BytesOf(reset.Block()), expectedReset);
  reset.Block().SRB_TargStat = 8;
  EXPECT_EQ(reset.GetTargetStatus(), 8);
  EXPECT_EQ(reset.GetSenseArea(), nullptr);

  AbortSRB abort;
  std::memset(abort.GetRequest(), 0x5A, sizeof(aspi::SRB_Abort));
  abort.Init(0x40);
  std::vector<uint8_t> expectedAbort(sizeof(aspi::SRB_Abort), 0);
  expectedAbort[0] = 0x03;
  EXPECT_EQ(BytesOf(abort.Block()), expectedAbort) << "flags are ignored";
  abort.Block().SRB_Status = 0x02;
  EXPECT_EQ(abort.GetStatus(), 0x02);
  EXPECT_EQ(abort.GetTargetStatus(), 0);
}

TEST(RequestBlocks, ShowDebugOfTheInquiryAndAbortBlocks) {
  ScriptedUiGuard ui;
  HAInqSRB inquiry;
  inquiry.Block().SRB_Status = 0x81;
  ui.Expect("BYTE SRB_Status: 81", "DEBUG - HAInqSRB", ui::kOk, ui::kIdOk);
  inquiry.ShowDebug();

  AbortSRB abort;
  abort.Block().SRB_ToAbort = 0x1234ABCD;
  ui.Expect("SRB_ToAbort: 1234ABCD", "DEBUG - AbortSRB", ui::kOk, ui::kIdOk);
  abort.ShowDebug();

  ResetSRB reset;
  reset.Block().SRB_Status = 4;
  reset.Block().SRB_HaStat = 0x11;
  reset.Block().SRB_TargStat = 2;
  reset.Block().SRB_PostProc = 9;
  ui.Expect("BYTE SRB_Status: 4\nBYTE SRB_HaStat: 11\nBYTE SRB_TargStat: 2\nPostProc: 00000009", "DEBUG - ResetSRB",
            ui::kOk, ui::kIdOk);
  reset.ShowDebug();
}

TEST(RequestBlocks, ShowDebugOfTheExecuteBlockShowsFourBoxes) {
  ScriptedUiGuard ui;
  ExecuteSRB srb;
  srb.Init(0x48);
  auto& b = srb.Block();
  b.SRB_HaId = 1;
  b.SRB_Target = 2;
  b.SRB_Lun = 3;
  b.SRB_Status = 4;
  b.SRB_HaStat = 0;
  b.SRB_TargStat = 2;
  uint8_t data[8] = {0x00, 0x01, 0xAB, 0x0F, 0x10, 0xFF, 0x20, 0x7E};
  b.SRB_BufPointer = reinterpret_cast<uintptr_t>(data);
  b.SRB_BufLen = sizeof data;
  for (int i = 0; i < 22; ++i) b.SenseArea[i] = static_cast<uint8_t>(i * 11);
  ui.Expect("HA1 ID2 LUN3", "Deb", ui::kOk, ui::kIdOk);
  ui.Expect("BYTE SRB_Status: 4\nBYTE SRB_HaStat: 0\nBYTE SRB_TargStat: 2", "DEBUG - ExecuteSRB (1)", ui::kOk,
            ui::kIdOk);
  ui.Expect("Data:  0  1 AB  F 10 FF 20 7E", "DEBUG - ExecuteSRB (2)", ui::kOk, ui::kIdOk);
  ui.Expect("Sense:  0  B 16 21 2C 37 42 4D 58 63\n6E 79 84 8F 9A A5 B0 BB C6 D1\nDC E7", "DEBUG - ExecuteSRB (3)",
            ui::kOk, ui::kIdOk);
  srb.ShowDebug();
}

TEST(RequestBlocks, ShowDebugReadsNoMoreThanTheBufferHolds) {
  ScriptedUiGuard ui;
  ExecuteSRB srb;
  srb.Init(0x48);
  uint8_t data[3] = {1, 2, 3};
  srb.Block().SRB_BufPointer = reinterpret_cast<uintptr_t>(data);
  srb.Block().SRB_BufLen = sizeof data;
  ui.Expect("HA0 ID0 LUN0", "Deb", ui::kOk, ui::kIdOk);
  ui.Expect("BYTE SRB_Status: 0\nBYTE SRB_HaStat: 0\nBYTE SRB_TargStat: 0", "DEBUG - ExecuteSRB (1)", ui::kOk,
            ui::kIdOk);
  ui.Expect("Data:  1  2  3  0  0  0  0  0", "DEBUG - ExecuteSRB (2)", ui::kOk, ui::kIdOk);
  ui.Expect("Sense:  0  0  0  0  0  0  0  0  0  0\n 0  0  0  0  0  0  0  0  0  0\n 0  0", "DEBUG - ExecuteSRB (3)",
            ui::kOk, ui::kIdOk);
  srb.ShowDebug();
}
