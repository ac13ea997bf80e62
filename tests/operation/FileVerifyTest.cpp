// SPDX-License-Identifier: GPL-3.0-or-later
// Verify between image files: the compared range in the question, the
// difference rows in the log, and that a difference never fails the pass.
#include <gtest/gtest.h>

#include <string>

#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/Images.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/TempDir.h"
#include "tests/operation/TestDialog.h"
#include "tests/transfer/TransferData.h"

namespace {

constexpr unsigned kErrorBox = 0x10;
constexpr unsigned kInfoBox = 0x40;
constexpr unsigned kQuitQuestion = 0x14;  // Yes/No with the stop icon
constexpr uint16_t kVerify = 0x01;

constexpr unsigned kWarningBox = 0x30;

std::string DifferenceQuestion(const std::string& from, const std::string& to) {
  return "Verify: Data are different at " + from + " ~ " + to + " bytes.\r\nDo you wish to quit verifying?";
}

// A verify that found differences does not end as done: a warning box says
// how many steps differed.
std::string FoundDifferences(uint64_t steps) {
  return "Verify found differences: " + FormatNumber(steps) + " differing steps.\r\nThe log names where the data differ.";
}

}  // namespace

TEST(FileVerify, IdenticalImagesMoveOnlyTheVerifyRow) {
  CapturedLog log;
  TempDir dir;
  std::string data = VolumeBytes(300000, 11);
  std::string a = dir.Write("a.iso", data);
  std::string b = dir.Write("b.iso", data);
  ScriptedUiGuard ui;
  ui.Expect(DoneWithDigest(Sha256Of(data)), ProgramName, kInfoBox, 1);
  TestDialog dialog(300000);
  TOperationThread op(dialog, Request(a, kVerify, 0, 300000, "VOL", b));
  RunOperation(op);
  EXPECT_EQ(dialog.result, OperationResult::Done);
  EXPECT_TRUE(dialog.closeAtEnd);
  EXPECT_TRUE(dialog.Percents(2).empty());
  EXPECT_EQ(dialog.Percents(3).back(), 100);
  EXPECT_FALSE(log.Contains("Data are different"));
  EXPECT_FALSE(op.Outcome().DifferencesFound());
}

TEST(FileVerify, DifferenceInTheThirdStepNamesItsRangeAndLogsTheRows) {
  CapturedLog log;
  TempDir dir;
  std::string data = VolumeBytes(300000, 12);
  std::string changed = data;
  changed[131072 + 17] ^= 0x5A;  // the second byte of the row at offset 16 of the third step
  std::string a = dir.Write("a.iso", data);
  std::string b = dir.Write("b.iso", changed);
  ScriptedUiGuard ui;
  ui.Expect(DifferenceQuestion("131,072", "196,608"), ProgramName, kQuitQuestion, 7);
  ui.Expect(FoundDifferences(1), ProgramName, kWarningBox, 1);
  TestDialog dialog(300000);
  TOperationThread op(dialog, Request(a, kVerify, 0, 300000, "VOL", b));
  RunOperation(op);
  EXPECT_EQ(dialog.result, OperationResult::Differences);
  EXPECT_FALSE(dialog.closeAtEnd) << "the dialog stays open with the result in view";
  EXPECT_EQ(dialog.endingsBeforeResult, 1);
  EXPECT_EQ(op.Outcome().text, FoundDifferences(1));
  EXPECT_TRUE(log.Contains("SrcThread->readSize 65536\r\n"));
  EXPECT_TRUE(log.Contains(DifferenceQuestion("131,072", "196,608")));
  auto u = [](char c) { return static_cast<unsigned>(static_cast<uint8_t>(c)); };
  char row[200];
  std::snprintf(row, sizeof row, "[index: 00000010]\r\nSRC: %02X %02X", u(data[131072 + 16]), u(data[131072 + 17]));
  EXPECT_TRUE(log.Contains(row)) << row;
  std::snprintf(row, sizeof row, "DST: %02X %02X", u(changed[131072 + 16]), u(changed[131072 + 17]));
  EXPECT_TRUE(log.Contains(row)) << row;
  // Exactly one differing row was logged.
  size_t rows = 0;
  for (const std::string& entry : log.Entries())
    if (entry.rfind("[index: ", 0) == 0) ++rows;
  EXPECT_EQ(rows, 1u);
  EXPECT_EQ(dialog.Percents(3).back(), 100);
  EXPECT_EQ(op.Outcome().result, OperationResult::Differences);
  EXPECT_EQ(op.Outcome().differences, 1u);
}

TEST(FileVerify, DifferenceInAShortLastStepNamesThatStep) {
  CapturedLog log;
  TempDir dir;
  std::string data = VolumeBytes(150000, 13);
  std::string changed = data;
  changed[140000] ^= 1;
  std::string a = dir.Write("a.iso", data);
  std::string b = dir.Write("b.iso", changed);
  ScriptedUiGuard ui;
  ui.Expect(DifferenceQuestion("131,072", "150,000"), ProgramName, kQuitQuestion, 7);
  ui.Expect(FoundDifferences(1), ProgramName, kWarningBox, 1);
  TestDialog dialog(150000);
  TOperationThread op(dialog, Request(a, kVerify, 0, 150000, "VOL", b));
  RunOperation(op);
  EXPECT_TRUE(log.Contains("SrcThread->readSize 18928\r\n"));
  EXPECT_EQ(dialog.result, OperationResult::Differences);
}

TEST(FileVerify, QuittingAtADifferenceIsNoFailure) {
  CapturedLog log;
  TempDir dir;
  std::string data = VolumeBytes(400000, 14);
  std::string changed = data;
  changed[10] ^= 1;
  changed[300000] ^= 1;
  std::string a = dir.Write("a.iso", data);
  std::string b = dir.Write("b.iso", changed);
  ScriptedUiGuard ui;
  ui.Expect(DifferenceQuestion("0", "65,536"), ProgramName, kQuitQuestion, 6);
  ui.Expect(FoundDifferences(1), ProgramName, kWarningBox, 1);
  TestDialog dialog(400000);
  TOperationThread op(dialog, Request(a, kVerify, 0, 400000, "VOL", b));
  RunOperation(op);
  EXPECT_EQ(dialog.result, OperationResult::Differences);
  EXPECT_FALSE(log.Contains("262,144 ~"));
  EXPECT_EQ(op.Outcome().differences, 1u) << "quitting at the first difference counts only it";
}

TEST(FileVerify, MissingDestinationFailsTheVerifyAndKeepsTheDialogOpen) {
  CapturedLog log;
  TempDir dir;
  std::string a = dir.Write("a.iso", VolumeBytes(1000, 15));
  std::string b = dir.File("missing.iso");
  ScriptedUiGuard ui;
  ui.Expect("Open error: " + b + " (No such file or directory)", "Error", kErrorBox, 1);
  ui.Expect("Verifying failed.", ProgramName, kErrorBox, 1);
  ui.Expect("Operation failed.", ProgramName, kErrorBox, 1);
  TestDialog dialog(1000);
  TOperationThread op(dialog, Request(a, kVerify, 0, 1000, "VOL", b));
  RunOperation(op);
  EXPECT_EQ(dialog.result, OperationResult::Failed);
  EXPECT_FALSE(dialog.closeAtEnd);
}

TEST(FileVerify, ShorterDestinationDiffersInItsMissingBytes) {
  CapturedLog log;
  TempDir dir;
  std::string data = VolumeBytes(100000, 16);
  std::string a = dir.Write("a.iso", data);
  std::string b = dir.Write("b.iso", data.substr(0, 70000));
  ScriptedUiGuard ui;
  ui.Expect(DifferenceQuestion("65,536", "100,000"), ProgramName, kQuitQuestion, 7);
  ui.Expect(FoundDifferences(1), ProgramName, kWarningBox, 1);
  TestDialog dialog(100000);
  TOperationThread op(dialog, Request(a, kVerify, 0, 100000, "VOL", b));
  RunOperation(op);
  EXPECT_TRUE(log.Contains("[index: 00001170]"));  // 70,000 - 65,536 = 4,464 = 1170H
}

TEST(FileVerify, AnUnattendedVerifyDetailsTheRowsOfTheFirst16DifferingStepsOnly) {
  CapturedLog log;
  TempDir dir;
  // Every one of the 20 steps differs, in two rows each.
  const uint32_t steps = 20;
  std::string data = VolumeBytes(uint64_t{steps} * 65536, 16);
  std::string changed = data;
  for (uint32_t step = 0; step < steps; ++step) {
    changed[step * 65536 + 100] ^= 1;
    changed[step * 65536 + 60000] ^= 1;
  }
  std::string a = dir.Write("a.iso", data);
  std::string b = dir.Write("b.iso", changed);
  ScriptedUiGuard ui;
  for (uint32_t step = 0; step < steps; ++step)
    ui.Expect(DifferenceQuestion(FormatNumber(uint64_t{step} * 65536), FormatNumber(uint64_t{step + 1} * 65536)),
              ProgramName, kQuitQuestion, 7);
  ui.Expect(FoundDifferences(steps), ProgramName, kWarningBox, 1);
  TestDialog dialog(data.size());
  TOperationThread op(dialog, Request(a, kVerify, 0, data.size(), "VOL", b));
  RunOperation(op);
  size_t rows = 0;
  for (const std::string& entry : log.Entries())
    if (entry.rfind("[index: ", 0) == 0) ++rows;
  EXPECT_EQ(rows, 16u * 2);
  EXPECT_TRUE(log.Contains("4 further differing steps were not detailed."));
  // The operation's own result line gives the total.
  EXPECT_TRUE(log.Contains("Verify result: 20 differing steps."));
  EXPECT_EQ(op.Outcome().differences, steps);
}

TEST(FileVerify, TheResultLineSaysSoWhenNothingDiffers) {
  CapturedLog log;
  TempDir dir;
  std::string data = VolumeBytes(100000, 17);
  std::string a = dir.Write("a.iso", data);
  std::string b = dir.Write("b.iso", data);
  ScriptedUiGuard ui;
  ui.Expect(DoneWithDigest(Sha256Of(data)), ProgramName, kInfoBox, 1);
  TestDialog dialog(100000);
  TOperationThread op(dialog, Request(a, kVerify, 0, 100000, "VOL", b));
  RunOperation(op);
  EXPECT_TRUE(log.Contains("Verify result: 0 differing steps."));
  EXPECT_FALSE(log.Contains("not detailed"));
}
