// SPDX-License-Identifier: GPL-3.0-or-later
// A source or destination file that ends before the volume size: a copy
// fails before anything is written, a verify counts the missing part as a
// difference; only the padding of a last partial sector is taken as it is.
#include <gtest/gtest.h>

#include <string>

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
constexpr unsigned kQuitQuestion = 0x14;
constexpr uint16_t kCopy = 0x08, kCopyVerify = 0x09, kVerify = 0x01;

std::string DifferenceQuestion(const std::string& from, const std::string& to) {
  return "Verify: Data are different at " + from + " ~ " + to + " bytes.\r\nDo you wish to quit verifying?";
}

}  // namespace

TEST(ShortSide, CopyOfASourceShorterThanTheVolumeFailsBeforeTheDestinationIsTouched) {
  CapturedLog log;
  TempDir dir;
  std::string source = dir.Write("a.iso", VolumeBytes(100000, 31));
  std::string destination = dir.Write("b.iso", "precious");
  ScriptedUiGuard ui;
  // No overwrite question: the destination is never opened.
  ui.Expect(source + " is shorter than the volume size (100,000 of 200,000 bytes).", ProgramName, kErrorBox, 1);
  ui.Expect("Copying failed.", ProgramName, kErrorBox, 1);
  ui.Expect("Operation failed.", ProgramName, kErrorBox, 1);
  TestDialog dialog(200000);
  TOperationThread op(dialog, Request(source, kCopyVerify, 0, 200000, "VOL", destination));
  RunOperation(op);
  EXPECT_EQ(dialog.result, OperationResult::Failed);
  EXPECT_EQ(TempDir::Read(destination), "precious");

  // Behind an offset, what counts is what the source holds after it.
  ui.Expect(source + " is shorter than the volume size (67,232 of 100,000 bytes).", ProgramName, kErrorBox, 1);
  ui.Expect("Copying failed.", ProgramName, kErrorBox, 1);
  ui.Expect("Operation failed.", ProgramName, kErrorBox, 1);
  dialog.volumeSize = 100000;
  TOperationThread offset(dialog, Request(source, kCopy, 32768, 100000, "VOL", destination));
  RunOperation(offset);
  EXPECT_EQ(TempDir::Read(destination), "precious");
}

TEST(ShortSide, ThePaddingOfALastPartialSectorStays) {
  CapturedLog log;
  TempDir dir;
  std::string data = VolumeBytes(150000, 32);
  std::string source = dir.Write("a.iso", data);
  std::string destination = dir.File("b.iso");
  ScriptedUiGuard ui;
  ui.Expect(DoneWithDigest(Sha256Of(data + std::string(1552, '\0'))), ProgramName, kInfoBox, 1);
  // 74 sectors: the last one holds 496 bytes of the source and zeros.
  TestDialog dialog(151552);
  TOperationThread op(dialog, Request(source, kCopyVerify, 0, 151552, "VOL", destination));
  RunOperation(op);
  EXPECT_EQ(dialog.result, OperationResult::Done);
  EXPECT_EQ(TempDir::Read(destination), data + std::string(1552, '\0'));
  EXPECT_FALSE(op.Outcome().DifferencesFound());
}

// The warning that ends a verify with differences.
std::string Found(int steps) {
  return "Verify found differences: " + std::to_string(steps) +
         " differing steps.\r\nThe log names where the data differ.";
}
constexpr unsigned kWarningBox = 0x30;

TEST(ShortSide, ADestinationShorterThanTheVolumeDiffersEvenWhereTheVolumeHoldsZeros) {
  CapturedLog log;
  TempDir dir;
  // The volume ends in zeros, as volumes often do: a destination cut there
  // would compare equal if its missing part were read as zeros.
  std::string data = VolumeBytes(200000, 33) + std::string(100000, '\0');
  std::string source = dir.Write("a.iso", data);
  std::string destination = dir.Write("b.iso", data.substr(0, 200000));
  ScriptedUiGuard ui;
  ui.Expect(DifferenceQuestion("196,608", "262,144"), ProgramName, kQuitQuestion, 7);
  ui.Expect(DifferenceQuestion("262,144", "300,000"), ProgramName, kQuitQuestion, 7);
  ui.Expect(Found(2), ProgramName, kWarningBox, 1);
  TestDialog dialog(300000);
  TOperationThread op(dialog, Request(source, kVerify, 0, 300000, "VOL", destination));
  RunOperation(op);
  EXPECT_EQ(op.Outcome().differences, 2u);
  EXPECT_TRUE(log.Contains(destination + " is shorter than the volume size (200,000 of 300,000 bytes)."));

  // A source that ends early differs the same way.
  ui.Expect(DifferenceQuestion("262,144", "300,000"), ProgramName, kQuitQuestion, 7);
  ui.Expect(Found(1), ProgramName, kWarningBox, 1);
  std::string full = dir.Write("c.iso", data);
  std::string cut = dir.Write("d.iso", data.substr(0, 280000));
  TOperationThread shortSource(dialog, Request(cut, kVerify, 0, 300000, "VOL", full));
  RunOperation(shortSource);
  EXPECT_EQ(shortSource.Outcome().differences, 1u);
  EXPECT_TRUE(log.Contains(cut + " is shorter than the volume size (280,000 of 300,000 bytes)."));
}
