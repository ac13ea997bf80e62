// SPDX-License-Identifier: GPL-3.0-or-later
// The test pattern: its words, its blocks and percents, the ranges a verify
// names, the size question and the failure rows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "base/ProgramIdentity.h"
#include "devices/NoDisc.h"
#include "tests/fixtures/BusSupport.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/Images.h"
#include "tests/fixtures/ProgramBus.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/TempDir.h"
#include "tests/operation/TestDialog.h"

namespace {

constexpr unsigned kErrorBox = 0x10;
constexpr unsigned kInfoBox = 0x40;

std::string Pattern(uint32_t firstLba, uint32_t sectors) {
  std::string bytes(size_t{sectors} * 2048, '\0');
  TOperationThread::BuildPatternSectors(reinterpret_cast<uint8_t*>(bytes.data()), firstLba, sectors);
  return bytes;
}

class PatternOperation : public ::testing::Test {
 protected:
  // Runs the pattern operation with code on the writer for sectors.
  void Run(SCSIDEV& writer, uint16_t code, uint32_t sectors) {
    dialog = std::make_unique<TestDialog>(uint64_t{sectors} * 2048);
    TOperationThread op(*dialog, PatternRequest(writer, code));
    RunOperation(op);
    patternSectors = op.PatternSectors();
    differences = op.Outcome().differences;
  }

  CapturedLog log;
  ScriptedUiGuard ui;
  TempDir dir;
  std::unique_ptr<TestDialog> dialog;
  uint32_t patternSectors = 0;
  uint64_t differences = 0;
};

}  // namespace

TEST(PatternWords, EachWordHoldsItsOwnPosition) {
  std::string sector0 = Pattern(0, 1);
  EXPECT_EQ(sector0.substr(0, 12), std::string("\0\0\0\0\0\0\0\1\0\0\0\2", 12));
  EXPECT_EQ(Pattern(1, 1).substr(0, 8), std::string("\0\0\0\1\0\0\0\2", 8));
  // Offset 2044 of sector 100: 100 + 511 = 611 = 263H.
  EXPECT_EQ(Pattern(100, 1).substr(2044, 4), std::string("\0\0\x02\x63", 4));
  // Built 16 at a time, sector 5 of a block from 32 is the pattern of 37.
  EXPECT_EQ(Pattern(32, 16).substr(5 * 2048, 2048), Pattern(37, 1));
}

TEST_F(PatternOperation, FortySectorsInBlocksOf16With40And80And100Percent) {
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", 4096));
  auto writer = OpenDevice(4);
  ui.Expect("Operation done.", ProgramName, kInfoBox, 1);
  Run(*writer, 0x83, 40);
  EXPECT_EQ(dialog->result, OperationResult::Done);
  EXPECT_TRUE(log.Contains("\r\n[TOperationThread::PatternWrite]"));
  EXPECT_TRUE(log.Contains("PatternWriteSectors: 40(28H)"));
  EXPECT_TRUE(log.Contains("DiscFreeSize: 8,388,608 bytes (00001000H Sectors)."));
  EXPECT_TRUE(log.Contains("WriteSectors: 40(28H)"));
  EXPECT_EQ(dialog->Percents(1), (std::vector<int>{0, 40, 80, 100}));
  EXPECT_EQ(dialog->Percents(3), (std::vector<int>{0, 40, 80, 100}));
  EXPECT_EQ(dialog->cancelStates, (std::vector<bool>{false, true}));
  EXPECT_TRUE(TrayOpen(*writer));
  EXPECT_EQ(ReadBack(*writer, 40 * 2048), Pattern(0, 40));
  EXPECT_EQ(writer->GetCapacity(), 40u * 2048);
}

TEST_F(PatternOperation, VerifyOfADifferentSectorNamesItsBlock) {
  // The disc holds the pattern with sector 35 changed, written as an image.
  std::string changed = Pattern(0, 40);
  changed[35 * 2048 + 10] ^= 0x40;
  std::string image = dir.Write("changed.iso", changed);
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", 4096));
  auto writer = OpenDevice(4);
  ui.Expect(DoneWithDigest(Sha256Of(changed)), ProgramName, kInfoBox, 1);
  {
    TestDialog write(changed.size());
    TOperationThread op(write, Request(image, 0x82, 0, changed.size(), "VOL", *writer));
    RunOperation(op);
  }
  std::string question = "Verify: Data are different at LBA 20H ~ 28H.\r\nDo you wish to quit verifying?";
  ui.Expect(question, ProgramName, 0x14, ui::kIdNo);
  ui.Expect("Verify found differences: 1 differing steps.\r\nThe log names where the data differ.", ProgramName, 0x30, 1);
  Run(*writer, 0x81, 40);
  EXPECT_EQ(dialog->result, OperationResult::Differences);
  EXPECT_TRUE(log.Contains("DiscSize: 81,920 bytes (00000028H Sectors)."));
  EXPECT_TRUE(log.Contains("transBlock*SIZE_2K: 16384\r\n"));
  EXPECT_TRUE(log.Contains(question));
  // Sector 35 is the fourth of the block from 32: its first row lies at
  // 3 x 2048 = 6144 = 1800H.
  EXPECT_TRUE(log.Contains("[index: 00001800]\r\nSRC: "));
  EXPECT_EQ(dialog->Percents(3), (std::vector<int>{0, 40, 80, 100}));
  EXPECT_EQ(differences, 1u);
}

TEST_F(PatternOperation, VerifyLargerThanTheDiscAsksAndVerifiesTheDisc) {
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", 4096));
  auto writer = OpenDevice(4);
  ui.Expect("Operation done.", ProgramName, kInfoBox, 1);
  Run(*writer, 0x82, 40);
  ui.Expect("Specified volume size is too big.\r\nDo you wish to let volume size disc size?", ProgramName, 0x24,
            ui::kIdYes);
  ui.Expect("Operation done.", ProgramName, kInfoBox, 1);
  Run(*writer, 0x81, 100);
  EXPECT_EQ(patternSectors, 40u);
  EXPECT_TRUE(log.Contains("PatternWriteSectors: 100(64H)"));
  EXPECT_TRUE(log.Contains("PatternWriteSectors: 40(28H)"));
  EXPECT_EQ(dialog->result, OperationResult::Done);
}

TEST_F(PatternOperation, LargerThanTheDiscAnsweredNoIsCanceled) {
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", 100));
  auto writer = OpenDevice(4);
  ui.Expect("Specified volume size is too big.\r\nDo you wish to let volume size disc size?", ProgramName, 0x24,
            ui::kIdNo);
  ui.Expect("Operation canceled.", ProgramName, kInfoBox, 1);
  Run(*writer, 0x82, 200);
  EXPECT_EQ(dialog->result, OperationResult::Canceled);
  for (const std::string& entry : log.Entries()) EXPECT_NE(entry.rfind("WriteSectors:", 0), 0u) << entry;
}

TEST_F(PatternOperation, SizeZeroFails) {
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", 4096));
  auto writer = OpenDevice(4);
  ui.Expect("Number of write sectors is 0.\r\nChoose a size with \"Change size...\" first.", ProgramName, kErrorBox,
            1);
  Run(*writer, 0x84, 0);
  EXPECT_EQ(dialog->result, OperationResult::ErrorShown);
}

TEST_F(PatternOperation, FailedWriteFailsTheTestStep) {
  ProgramBus bus(
      WriterJson("qxw7100", "1.07", "dvd-r", 4096, R"("faults": [)" + SenseFault(0x2A, "03/0C/00", 20, 20) + "]"));
  auto writer = OpenDevice(4);
  ui.Expect("Test Writing failed.", ProgramName, kErrorBox, 1);
  ui.Expect("Operation failed.", ProgramName, kErrorBox, 1);
  Run(*writer, 0x87, 40);
  EXPECT_EQ(dialog->result, OperationResult::Failed);
  EXPECT_TRUE(log.Contains("[SCSIDVDR100::Write] failed."));
  EXPECT_FALSE(log.Contains("FinishWrite()"));
  EXPECT_TRUE(dialog->Percents(1).empty());
  EXPECT_TRUE(TrayOpen(*writer));
}

TEST_F(PatternOperation, FailedReadFailsTheVerify) {
  ProgramBus bus(
      WriterJson("qxw7100", "1.07", "dvd-r", 4096, R"("faults": [)" + SenseFault(0x28, "03/11/00", 20, 20) + "]"));
  auto writer = OpenDevice(4);
  ui.Expect("Operation done.", ProgramName, kInfoBox, 1);
  Run(*writer, 0x82, 40);
  // The block from 16 (10H) holds the damaged sector 20.
  ui.Expect(ErrorReport(*writer, "(28H) Read10", 0x10, "3-11-00", "Medium Error: Unrecovered read error."),
            "Error Information", kErrorBox, 1);
  ui.Expect("Verifying failed.", ProgramName, kErrorBox, 1);
  ui.Expect("Operation failed.", ProgramName, kErrorBox, 1);
  Run(*writer, 0x81, 40);
  EXPECT_EQ(dialog->result, OperationResult::Failed);
  EXPECT_TRUE(TrayOpen(*writer));
}

TEST_F(PatternOperation, WriterNotReadyIsCanceledWithoutResultBox) {
  ProgramBus bus(R"({"id": 4, "model": "qxw7100", "medium": {"kind": "none"}})");
  auto writer = OpenDevice(4);
  ui.Expect("There is no disc in 0,4,0 (HALVERN DVD-R QXW-7100). Insert a disc and try again.", ProgramName,
            kErrorBox, 1);
  Run(*writer, 0x84, 40);
  EXPECT_EQ(dialog->result, OperationResult::ErrorShown);
  EXPECT_TRUE(log.Contains("Operation canceled for drive being not ready."));
}

TEST_F(PatternOperation, DiscTakenOutBeforeAPassIsACancelWithoutResultBox) {
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", 4096));
  auto writer = OpenDevice(4);
  dialog = std::make_unique<TestDialog>(40 * 2048);
  TOperationThread op(*dialog, PatternRequest(*writer, 0x86));
  // Between the test pass and the real pass the disc is taken out.
  // (The hook runs on the operation thread, which may use the writer; the
  // drive notices the change at a TEST UNIT READY.)
  dialog->onComment = [&](const std::string& text) {
    if (text != "Now writing ...") return;
    ASSERT_EQ(std::system((std::string(SIMBUS_TOOL) + " insert 0:4 none >/dev/null").c_str()), 0);
    for (int poll = 0; poll < 100 && !TrayOpen(*writer); ++poll) writer->WaitReady(0);
    ASSERT_TRUE(TrayOpen(*writer));
  };
  ui.Expect("There is no disc in 0,4,0 (HALVERN DVD-R QXW-7100). Insert a disc and try again.", ProgramName,
            kErrorBox, 1);
  ui.Expect("Writing failed.", ProgramName, kErrorBox, 1);
  RunOperation(op);
  EXPECT_EQ(dialog->result, OperationResult::ErrorShown);
  EXPECT_EQ(dialog->Percents(0).back(), 100);
  EXPECT_TRUE(dialog->Percents(1).empty());
}

TEST_F(PatternOperation, APatternWhoseSectorsDoNotFit32BitsIsRefusedBeforeTheDiscIsTouched) {
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", 4096));
  auto writer = OpenDevice(4);
  // 2^44 + 2048 bytes: 2^33 + 1 sectors, which 32 bits would hold as 1.
  const uint64_t bytes = (uint64_t{1} << 44) + 2048;
  ui.Expect("The volume size (17,592,186,046,464 bytes) is too large: at most 4,294,967,295 sectors "
            "(8,796,093,020,160 bytes) can be transferred.",
            ProgramName, kErrorBox, 1);
  ui.Expect("Operation failed.", ProgramName, kErrorBox, 1);
  TestDialog sized(bytes);
  TOperationThread op(sized, PatternRequest(*writer, 0x82));
  RunOperation(op);
  EXPECT_EQ(sized.result, OperationResult::Failed);
  EXPECT_FALSE(log.Contains("[TOperationThread::PatternWrite]"));
  EXPECT_FALSE(TrayOpen(*writer)) << "the disc was not ejected: nothing was done with it";
  EXPECT_EQ(writer->GetFreeSize(), 4096u * 2048);
}
