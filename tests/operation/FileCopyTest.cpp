// SPDX-License-Identifier: GPL-3.0-or-later
// Copy and verify between image files, through the whole operation: the
// space check, the passes, the boxes and the result.
#include <gtest/gtest.h>

#include <map>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "base/CFILE.h"
#include "base/ProgramIdentity.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/FileSizeLimit.h"
#include "tests/fixtures/Images.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/TempDir.h"
#include "tests/operation/TestDialog.h"
#include "tests/transfer/TransferData.h"

namespace {

constexpr unsigned kErrorBox = 0x10;
constexpr unsigned kInfoBox = 0x40;
constexpr unsigned kOverwrite = 0x124;
constexpr uint16_t kCopy = 0x08, kCopyVerify = 0x09, kVerify = 0x01;

std::string OverwriteQuestion(const std::string& path) {
  return path + " already exists.\r\nDo you wish to overwrite it?";
}

}  // namespace

TEST(FileCopy, ExtractsTheBareVolumeFromBehindItsOffset) {
  CapturedLog log;
  TempDir dir;
  std::string data = VolumeBytes(1100000, 3);
  std::string source = dir.Write("with-mid.img", data);
  std::string destination = dir.File("bare.iso");
  ScriptedUiGuard ui;
  ui.Expect(DoneWithDigest(Sha256Of(data.substr(32768, 1000000))), ProgramName, kInfoBox, 1);
  TestDialog dialog(1000000);
  TOperationThread op(dialog, Request(source, kCopy, 32768, 1000000, "VOL", destination));
  RunOperation(op);

  EXPECT_EQ(TempDir::Read(destination), data.substr(32768, 1000000));
  EXPECT_EQ(dialog.result, OperationResult::Done);
  EXPECT_TRUE(dialog.closeAtEnd);
  EXPECT_TRUE(log.Contains("[TOperationThread::CopySingleMode]"));
  EXPECT_TRUE(log.Contains("VolumeSize: 1,000,000 bytes"));
  EXPECT_TRUE(log.Contains("DstFreeSize: "));
  EXPECT_EQ(dialog.comments, std::vector<std::string>{"Now copying ..."});
  // Only the copy row moves: 0, then each whole percent that grew, to 100.
  std::vector<int> copied = dialog.Percents(2);
  ASSERT_FALSE(copied.empty());
  EXPECT_EQ(copied.front(), 0);
  EXPECT_EQ(copied.back(), 100);
  EXPECT_TRUE(dialog.Percents(3).empty());
  EXPECT_TRUE(log.Contains("100% copied."));
}

TEST(FileCopy, StepsOf64KiBShowTheirPercents) {
  CapturedLog log;
  TempDir dir;
  std::string data = VolumeBytes(150000, 4);
  std::string source = dir.Write("a.iso", data);
  std::string destination = dir.File("b.iso");
  ScriptedUiGuard ui;
  ui.Expect(DoneWithDigest(Sha256Of(data)), ProgramName, kInfoBox, 1);
  TestDialog dialog(150000);
  TOperationThread op(dialog, Request(source, kCopy, 0, 150000, "VOL", destination));
  RunOperation(op);
  EXPECT_EQ(TempDir::Read(destination), data);
  EXPECT_TRUE(log.Contains("[Terminated (R) File1] restSize: 000000000H"));
  EXPECT_TRUE(log.Contains("[Terminated (W) File1] restSize: 000000000H"));
  // 65,536, 131,072 and 150,000 of 150,000 bytes written: 43%, 87%, 100%.
  // The pass shows what the writer has done when it looks, so a step that
  // is over before it looks may go unshown; the pass starts at 0 and ends
  // at 100. Each notification carries the pass's report: no disc side, the
  // bytes the writer has written.
  std::vector<int> percents = dialog.Percents(2);
  ASSERT_GE(percents.size(), 2u);
  EXPECT_EQ(percents.front(), 0);
  EXPECT_EQ(percents.back(), 100);
  ASSERT_EQ(dialog.reports.size(), percents.size());
  const std::map<uint64_t, int> kStepEnds{{0, 0}, {65536, 43}, {131072, 87}, {150000, 100}};
  for (size_t i = 0; i < percents.size(); ++i) {
    const PassProgress& report = dialog.reports[i];
    EXPECT_FALSE(report.writer.IsSet());
    EXPECT_EQ(report.total, 150000u);
    EXPECT_EQ(report.position, report.done);
    ASSERT_TRUE(kStepEnds.contains(report.done)) << report.done;
    EXPECT_EQ(percents[i], kStepEnds.at(report.done));
    if (i > 0) {
      EXPECT_GT(percents[i], percents[i - 1]);
    }
  }
}

TEST(FileCopy, ExactlyOneStep) {
  CapturedLog log;
  TempDir dir;
  std::string data = VolumeBytes(65536, 5);
  std::string source = dir.Write("a.iso", data);
  std::string destination = dir.File("b.iso");
  ScriptedUiGuard ui;
  ui.Expect(DoneWithDigest(Sha256Of(data)), ProgramName, kInfoBox, 1);
  TestDialog dialog(65536);
  TOperationThread op(dialog, Request(source, kCopy, 0, 65536, "VOL", destination));
  RunOperation(op);
  EXPECT_EQ(TempDir::Read(destination), data);
  EXPECT_EQ(dialog.Percents(2), (std::vector<int>{0, 100}));
  EXPECT_TRUE(log.Contains("[Terminated (R) File1] restSize: 000000000H"));
  EXPECT_TRUE(log.Contains("[Terminated (W) File1] restSize: 000000000H"));
}

TEST(FileCopy, MissingSourceFailsWithTheOpenErrorAndCloses) {
  CapturedLog log;
  TempDir dir;
  std::string source = dir.File("missing.iso");
  std::string destination = dir.File("b.iso");
  ScriptedUiGuard ui;
  ui.Expect("Open error: " + source + " (No such file or directory)", "Error", kErrorBox, 1);
  ui.Expect("Copying failed.", ProgramName, kErrorBox, 1);
  ui.Expect("Operation failed.", ProgramName, kErrorBox, 1);
  TestDialog dialog(1000);
  TOperationThread op(dialog, Request(source, kCopy, 0, 1000, "VOL", destination));
  RunOperation(op);
  EXPECT_EQ(dialog.result, OperationResult::Failed);
  EXPECT_TRUE(dialog.closeAtEnd);
}

TEST(FileCopy, MissingSourceLeavesAnExistingDestinationAloneWithoutAsking) {
  CapturedLog log;
  TempDir dir;
  std::string source = dir.File("missing.iso");
  std::string destination = dir.Write("b.iso", "precious");
  ScriptedUiGuard ui;
  ui.Expect("Open error: " + source + " (No such file or directory)", "Error", kErrorBox, 1);
  ui.Expect("Copying failed.", ProgramName, kErrorBox, 1);
  ui.Expect("Operation failed.", ProgramName, kErrorBox, 1);
  TestDialog dialog(1000);
  TOperationThread op(dialog, Request(source, kCopy, 0, 1000, "VOL", destination));
  RunOperation(op);
  EXPECT_EQ(dialog.result, OperationResult::Failed);
  EXPECT_EQ(TempDir::Read(destination), "precious");
}

TEST(FileCopy, DeclinedOverwriteEndsWithTheQuestionAlone) {
  CapturedLog log;
  TempDir dir;
  std::string source = dir.Write("a.iso", VolumeBytes(5000, 6));
  std::string destination = dir.Write("b.iso", "old");
  ScriptedUiGuard ui;
  ui.Expect(OverwriteQuestion(destination), ProgramName, kOverwrite, 7);
  TestDialog dialog(5000);
  TOperationThread op(dialog, Request(source, kCopy, 0, 5000, "VOL", destination));
  RunOperation(op);
  EXPECT_EQ(TempDir::Read(destination), "old");
  EXPECT_EQ(dialog.result, OperationResult::Canceled);
  EXPECT_FALSE(dialog.closeAtEnd) << "the person may choose another destination";
  EXPECT_TRUE(op.Outcome().text.empty());

  // A chooser that asked already: the copy does not ask again.
  OperationRequest agreed = Request(source, kCopy, 0, 5000, "VOL", destination);
  agreed.overwriteAgreed = true;
  ui.Expect(DoneWithDigest(Sha256Of(VolumeBytes(5000, 6))), ProgramName, kInfoBox, 1);
  TestDialog again(5000);
  TOperationThread copy(again, agreed);
  RunOperation(copy);
  EXPECT_EQ(TempDir::Read(destination), VolumeBytes(5000, 6));
}

TEST(FileCopy, DestinationThatIsTheSourceUnderAnotherNameFailsAndLeavesTheSource) {
  TempDir dir;
  std::string data = VolumeBytes(300000, 7);
  std::string source = dir.Write("a.iso", data);
  ASSERT_EQ(::link(source.c_str(), dir.File("hard.iso").c_str()), 0);
  std::filesystem::create_directory(dir.File("sub"));
  for (const std::string& other : {source, dir.Path() + "/./a.iso", dir.Path() + "/sub/../a.iso", dir.File("hard.iso")}) {
    CapturedLog log;
    ScriptedUiGuard ui;
    ui.Expect("Open error: " + other + " (in use by this or another program)", "Error", kErrorBox, 1);
    ui.Expect("Copying failed.", ProgramName, kErrorBox, 1);
    ui.Expect("Operation failed.", ProgramName, kErrorBox, 1);
    TestDialog dialog(300000);
    TOperationThread op(dialog, Request(source, kCopyVerify, 0, 300000, "VOL", other));
    RunOperation(op);
    EXPECT_EQ(dialog.result, OperationResult::Failed) << other;
    EXPECT_EQ(TempDir::Read(source), data) << "source changed through " << other;
  }
}

TEST(FileCopy, CopyAndVerifyOverAnExistingFile) {
  CapturedLog log;
  TempDir dir;
  std::string data = VolumeBytes(200000, 8);
  std::string source = dir.Write("a.iso", data);
  std::string destination = dir.Write("b.iso", std::string(500000, 'x'));
  ScriptedUiGuard ui;
  ui.Expect(OverwriteQuestion(destination), ProgramName, kOverwrite, 6);
  ui.Expect(DoneWithDigest(Sha256Of(data)), ProgramName, kInfoBox, 1);
  TestDialog dialog(200000);
  TOperationThread op(dialog, Request(source, kCopyVerify, 0, 200000, "VOL", destination));
  RunOperation(op);
  EXPECT_EQ(TempDir::Read(destination), data);
  EXPECT_EQ(dialog.comments, (std::vector<std::string>{"Now copying ...", "Now verifying ..."}));
  EXPECT_EQ(dialog.Percents(3).back(), 100);
  EXPECT_TRUE(log.Contains("100% verified."));
  EXPECT_EQ(dialog.result, OperationResult::Done);
}

TEST(FileCopy, WriteErrorWithRoomLeftSaysWhyAndFails) {
  CapturedLog log;
  TempDir dir;
  if (DiskFreeBytes(dir.Path()) <= 65536) GTEST_SKIP() << "the temporary disk is nearly full";
  std::string source = dir.Write("a.iso", VolumeBytes(100000, 9));
  ScriptedUiGuard ui;
  // Any write error is said with its reason, as other file errors are.
  ui.Expect("Write error: " + dir.File("limited.iso") + " (File too large)", "Error", kErrorBox, 1);
  ui.Expect("Copying failed.", ProgramName, kErrorBox, 1);
  ui.Expect("Operation failed.", ProgramName, kErrorBox, 1);
  // The destination may not grow beyond 60,000 bytes, with the disk far
  // from full: the first write fails part of the way.
  FileSizeLimit limit(60000);
  TestDialog dialog(100000);
  TOperationThread op(dialog, Request(source, kCopy, 0, 100000, "VOL", dir.File("limited.iso")));
  RunOperation(op);
  EXPECT_TRUE(log.Contains("[Error (W) File1] restSize: 0000086A0H"));
  EXPECT_TRUE(dialog.closeAtEnd);
}

TEST(FileCopy, CancelDuringTheCopyEndsCanceledAndSkipsTheVerify) {
  CapturedLog log;
  TempDir dir;
  constexpr uint64_t kSize = 16 << 20;
  std::string source = dir.Write("a.iso", VolumeBytes(kSize, 10));
  std::string destination = dir.File("b.iso");
  ScriptedUiGuard ui;
  ui.Expect("Operation canceled.", ProgramName, kInfoBox, 1);
  TestDialog dialog(kSize);
  TOperationThread op(dialog, Request(source, kCopyVerify, 0, kSize, "VOL", destination));
  // The cancel arrives as the copy shows its 0%, with the destination open
  // and before the pass looks at its workers: a file copy is too quick to
  // be caught at a later percent on every machine.
  dialog.onProgress = [&](int phase, int percent) {
    if (phase == 2 && percent == 0) op.Terminate();
  };
  RunOperation(op);
  EXPECT_EQ(dialog.result, OperationResult::Canceled);
  EXPECT_TRUE(log.Contains("[WriteCore] Terminated."));
  EXPECT_TRUE(log.Contains("Operation canceled by user instruction."));
  EXPECT_FALSE(log.Contains("[VerifyCore]")) << "the verify does not start after a canceled copy";
  EXPECT_LT(TempDir::Read(destination).size(), kSize);
  // The copy ends its course (both passes return after a cancel), so the
  // dialog closes after the box.
  EXPECT_TRUE(dialog.closeAtEnd);
}

TEST(FileCopy, EmptyVolumeEndsWithoutWaitingForever) {
  CapturedLog log;
  TempDir dir;
  std::string source = dir.Write("a.iso", VolumeBytes(4096, 17));
  std::string destination = dir.File("b.iso");
  ScriptedUiGuard ui;
  ui.Expect(DoneWithDigest(Sha256Of(std::string())), ProgramName, kInfoBox, 1);
  TestDialog dialog(0);
  TOperationThread op(dialog, Request(source, kCopyVerify, 0, 0, "VOL", destination));
  RunOperation(op);
  EXPECT_EQ(dialog.result, OperationResult::Done);
  EXPECT_EQ(TempDir::Read(destination), "");
  EXPECT_TRUE(log.Contains("VolumeSize: 0 bytes"));
}

namespace {

// A person who presses Cancel while a question is open: the question is
// abandoned (answered No) once the operation has been told to cancel, as
// the headless front end does with Ctrl-C.
class CancelAtQuestion : public ui::Backend {
 public:
  explicit CancelAtQuestion(TOperationThread*& operation) : operation_(operation) {}
  int MessageBox(const std::string& text, const std::string&, unsigned flags) override {
    shown.push_back(text);
    if ((flags & ui::kButtonMask) == ui::kYesNo) operation_->Terminate();
    return ui::NegativeAnswer(flags);
  }
  std::vector<std::string> shown;

 private:
  TOperationThread*& operation_;
};

}  // namespace

TEST(FileCopy, NothingIsOpenedForWritingAfterACancel) {
  CapturedLog log;
  TempDir dir;
  std::string source = dir.Write("a.iso", VolumeBytes(100000, 18));
  std::string destination = dir.Write("b.iso", "precious");
  {
    // Canceled before the copy pass builds its writer: no overwrite question.
    ScriptedUiGuard ui;
    ui.Expect("Operation canceled.", ProgramName, kInfoBox, 1);
    TestDialog dialog(100000);
    TOperationThread op(dialog, Request(source, kCopyVerify, 0, 100000, "VOL", destination));
    op.Terminate();
    RunOperation(op);
    EXPECT_EQ(dialog.result, OperationResult::Canceled);
  }
  EXPECT_EQ(TempDir::Read(destination), "precious");
  {
    // Canceled while the overwrite question is open: the abandoned question
    // ends the copy as canceled, not as a failed copy.
    TOperationThread* current = nullptr;
    CancelAtQuestion person(current);
    ui::ScopedBackend scope(person);
    TestDialog dialog(100000);
    TOperationThread op(dialog, Request(source, kCopyVerify, 0, 100000, "VOL", destination));
    current = &op;
    RunOperation(op);
    EXPECT_EQ(dialog.result, OperationResult::Canceled);
    EXPECT_EQ(person.shown, (std::vector<std::string>{OverwriteQuestion(destination), "Operation canceled."}));
  }
  EXPECT_EQ(TempDir::Read(destination), "precious");
}

TEST(FileCopy, AVolumeWhoseSectorsDoNotFit32BitsIsRefusedBeforeAnythingIsOpened) {
  CapturedLog log;
  TempDir dir;
  std::string source = dir.Write("a.iso", VolumeBytes(4096, 19));
  std::string destination = dir.Write("b.iso", "precious");
  const uint64_t bytes = kLargestVolumeBytes + 1;
  ScriptedUiGuard ui;
  ui.Expect("The volume size (8,796,093,020,161 bytes) is too large: at most 4,294,967,295 sectors "
            "(8,796,093,020,160 bytes) can be transferred.",
            ProgramName, kErrorBox, 1);
  ui.Expect("Operation failed.", ProgramName, kErrorBox, 1);
  TestDialog dialog(bytes);
  TOperationThread op(dialog, Request(source, kCopyVerify, 0, bytes, "VOL", destination));
  RunOperation(op);
  EXPECT_EQ(dialog.result, OperationResult::Failed);
  EXPECT_FALSE(log.Contains("[TOperationThread::CopySingleMode]"));
  EXPECT_EQ(TempDir::Read(destination), "precious");
}
