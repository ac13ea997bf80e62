// SPDX-License-Identifier: GPL-3.0-or-later
// Cancel at each point where an operation looks for it: during the pause
// before a write, during a pass, during the verify and during the pattern
// loop. Each ends with "Operation canceled.", the disc unlocked and ejected,
// and no leadout.
#include <gtest/gtest.h>

#include "base/ProgramIdentity.h"
#include "tests/fixtures/BusSupport.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/ProgramBus.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/TempDir.h"
#include "tests/operation/TestDialog.h"
#include "tests/transfer/TransferData.h"

namespace {

constexpr uint64_t kVolume = 3'000'000;
constexpr uint32_t kDiscSectors = 4096;

class Cancel : public ::testing::Test {
 protected:
  void SetUp() override {
    image = dir.Write("volume.iso", VolumeBytes(kVolume, 31));
    ui.Expect("Operation canceled.", ProgramName, 0x40, 1);
  }
  void ExpectCanceledAndEjectedWithoutLeadout(SCSIDEV& writer) {
    EXPECT_EQ(dialog.result, OperationResult::Canceled);
    EXPECT_TRUE(log.Contains("Operation canceled by user instruction."));
    EXPECT_FALSE(log.Contains("FinishWrite()"));
    EXPECT_TRUE(dialog.cancelStates.empty());
    // Ejected: the tray is open, which a locked drive would have refused.
    EXPECT_TRUE(TrayOpen(writer));
  }
  int Count(const std::string& text) {
    int n = 0;
    for (const std::string& entry : log.Entries()) n += entry == text;
    return n;
  }

  CapturedLog log;
  ScriptedUiGuard ui;
  TempDir dir;
  TestDialog dialog{kVolume};
  std::string image;
};

}  // namespace

TEST_F(Cancel, DuringThePauseEndsTheStepInItsFirstSecondAndNothingFollows) {
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", kDiscSectors));
  auto writer = OpenDevice(4);
  TOperationThread op(dialog, Request(image, 0x86, 0, kVolume, "VOL", *writer));
  dialog.onComment = [&](const std::string& text) {
    if (text == "Now test writing ...") op.Terminate();
  };
  RunOperation(op);
  ExpectCanceledAndEjectedWithoutLeadout(*writer);
  // The test pass ends at its first second, and no step starts after it.
  EXPECT_EQ(Count("Operation canceled by user instruction."), 1);
  EXPECT_EQ(dialog.comments, (std::vector<std::string>{"Now test writing ..."}));
  EXPECT_FALSE(log.Contains("WriteSectors:"));
  EXPECT_EQ(writer->StartStopUnit(3), true);
  ASSERT_TRUE(writer->WaitReady(5000));
  EXPECT_EQ(writer->GetFreeSize(), uint64_t{kDiscSectors} * 2048);
}

TEST_F(Cancel, DuringThePassSkipsTheLeadout) {
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", kDiscSectors));
  auto writer = OpenDevice(4);
  TOperationThread op(dialog, Request(image, 0x82, 0, kVolume, "VOL", *writer));
  dialog.onProgress = [&](int phase, int percent) {
    if (phase == 1 && percent > 0) op.Terminate();
  };
  RunOperation(op);
  ExpectCanceledAndEjectedWithoutLeadout(*writer);
  EXPECT_TRUE(log.Contains("[WriteCore] Terminated."));
  EXPECT_LT(dialog.Percents(1).back(), 100);
}

TEST_F(Cancel, DuringThePauseOfAFullRunStartsNeitherTheWriteNorTheVerify) {
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", kDiscSectors));
  auto writer = OpenDevice(4);
  TOperationThread op(dialog, Request(image, 0x87, 0, kVolume, "VOL", *writer));
  dialog.onComment = [&](const std::string& text) {
    if (text == "Now test writing ...") op.Terminate();
  };
  RunOperation(op);
  ExpectCanceledAndEjectedWithoutLeadout(*writer);
  EXPECT_EQ(Count("Operation canceled by user instruction."), 1);
  EXPECT_FALSE(log.Contains("Now verifying ...")) << "nothing starts after the canceled step";
}

TEST_F(Cancel, DuringTheVerifyPass) {
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", kDiscSectors));
  auto writer = OpenDevice(4);
  TOperationThread op(dialog, Request(image, 0x83, 0, kVolume, "VOL", *writer));
  dialog.onProgress = [&](int phase, int percent) {
    if (phase == 3 && percent > 0) op.Terminate();
  };
  RunOperation(op);
  EXPECT_EQ(dialog.result, OperationResult::Canceled);
  EXPECT_TRUE(log.Contains("[VerifyCore] canceled."));
  EXPECT_TRUE(TrayOpen(*writer));
  EXPECT_LT(dialog.Percents(3).back(), 100);
}

TEST_F(Cancel, DuringThePatternLoopWaitsForTheWriterAndSkipsTheLeadout) {
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", kDiscSectors));
  auto writer = OpenDevice(4);
  dialog.volumeSize = 1000 * 2048;
  TOperationThread op(dialog, PatternRequest(*writer, 0x84));
  dialog.onProgress = [&](int phase, int percent) {
    if (phase == 0 && percent > 0) op.Terminate();
  };
  RunOperation(op);
  ExpectCanceledAndEjectedWithoutLeadout(*writer);
  EXPECT_GE(Count("Terminate in progress ..."), 1);
  EXPECT_TRUE(log.Contains("Terminate break."));
  EXPECT_LT(dialog.Percents(0).back(), 100);
}
