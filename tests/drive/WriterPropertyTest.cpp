// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "devices/CreateDevice.h"
#include "devices/DeviceLine.h"
#include "drive/WriterProperty.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/ErrorReport.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/ProgramBus.h"

namespace {

const char* const kEraseQuestion = "Do you wish to erase all data of the disc?";
constexpr unsigned kQuestionFlags = ui::kOkCancel | ui::kIconQuestion;

}  // namespace

TEST(WriterProperty, LinesOfTheDialog) {
  CapturedLog log;
  ProgramBus bus(R"({"id": 5, "model": "qxw7200", "revision": "2.10", "medium": {"kind": "dvd-rw", "sectors": 4096}},
                    {"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r"}})");
  auto rw = CreateDevice(0, 5, 0).device;
  EXPECT_EQ(DeviceLine(*rw).rfind("SCSI address 0,5,0:  HALVERN ", 0), 0u) << DeviceLine(*rw);
  EXPECT_NE(DeviceLine(*rw).find(" (Version 2.10)"), std::string::npos);
  EXPECT_TRUE(ShowsFreeSizeAndErase(*rw));
  EXPECT_EQ(FreeSizeLine(4096ull * 2048), "8,388,608 bytes free.");

  auto later = CreateDevice(0, 4, 0).device;
  EXPECT_FALSE(ShowsFreeSizeAndErase(*later)) << "the later QXW-7100 shows only its device line";
}

TEST(WriterProperty, EraseBlanksTheDiscAndPollsUntilReady) {
  CapturedLog log;
  ScriptedUiGuard ui;
  ProgramBus bus(R"({"id": 5, "model": "qxw7200", "medium": {"kind": "dvd-rw", "sectors": 4096}})");
  auto writer = CreateDevice(0, 5, 0).device;
  uint64_t blankFree = writer->GetFreeSize();
  ASSERT_GT(blankFree, 0u);

  ui.Expect(kEraseQuestion, "Marrowlight", kQuestionFlags, ui::kIdOk);
  ui.Expect("Erase done.", "Marrowlight", ui::kIconInformation, ui::kIdOk);
  EXPECT_EQ(EraseDisc(*writer), EraseResult::Done);
  EXPECT_TRUE(log.Contains("Blank done. 1: 0-00-00"));
  EXPECT_EQ(writer->GetFreeSize(), blankFree);
}

TEST(WriterProperty, CancelSendsNothingAndAnErrorWhileErasingFails) {
  CapturedLog log;
  ScriptedUiGuard ui;
  // The blank outlasts the test, so the polls before the fault find the drive
  // busy however slowly the test runs.
  ProgramBus bus(R"({"id": 5, "model": "qxw7200", "medium": {"kind": "dvd-rw", "sectors": 4096},
                     "timing": {"blank_ms": 60000000},
                     "faults": [{"kind": "sense", "opcode": "00h", "sense": "03/0C/00", "from": 3}]})");
  auto writer = CreateDevice(0, 5, 0).device;

  ui.Expect(kEraseQuestion, "Marrowlight", kQuestionFlags, ui::kIdCancel);
  EXPECT_EQ(EraseDisc(*writer), EraseResult::Declined);
  EXPECT_FALSE(log.Contains("Blank done."));

  ui.Expect(kEraseQuestion, "Marrowlight", kQuestionFlags, ui::kIdOk);
  ui.Expect(DiscErrorReport(*writer, "(00H) Test Unit Ready", 3, 0x0C, 0), "Error Information", 0x10, ui::kIdOk);
  ui.Expect("Erase failed.", "Marrowlight", ui::kIconError, ui::kIdOk);
  EXPECT_EQ(EraseDisc(*writer), EraseResult::Failed);
  EXPECT_TRUE(log.Contains("Blank done. 0: 3-0C-00"));
}

TEST(WriterProperty, TheEraseReportsTheDrivesProgressAtEachPoll) {
  CapturedLog log;
  ScriptedUiGuard ui;
  // The blank takes 20 polls' time (at the tests' time scale the drive's
  // clock and the polls shrink together).
  ProgramBus bus(R"({"id": 5, "model": "qxw7200", "medium": {"kind": "dvd-rw", "sectors": 4096},
                     "timing": {"blank_ms": 100000}})");
  auto writer = CreateDevice(0, 5, 0).device;
  std::vector<EraseProgress> polls;
  ui.Expect(kEraseQuestion, "Marrowlight", kQuestionFlags, ui::kIdOk);
  ui.Expect("Erase done.", "Marrowlight", ui::kIconInformation, ui::kIdOk);
  EXPECT_EQ(EraseDisc(*writer, EraseKind::Full, [&](const EraseProgress& progress) { polls.push_back(progress); }),
            EraseResult::Done);
  ASSERT_GE(polls.size(), 2u);
  for (size_t i = 0; i < polls.size(); ++i) EXPECT_EQ(polls[i].elapsedMs, (i + 1) * 5000u) << i;
  // The drive's indication grows while it erases; the last poll finds it ready.
  EXPECT_GE(polls.front().percent, 0);
  EXPECT_LT(polls.front().percent, 100);
  EXPECT_GE(polls[polls.size() - 2].percent, polls.front().percent);
  EXPECT_EQ(polls.back().percent, -1);
}

TEST(WriterProperty, WithoutADiscTheWindowsSaySoAndLoadGivesItBack) {
  CapturedLog log;
  ScriptedUiGuard ui;
  ProgramBus bus(R"({"id": 5, "model": "qxw7200", "medium": {"kind": "dvd-rw", "sectors": 4096}})");
  auto writer = CreateDevice(0, 5, 0).device;
  ASSERT_TRUE(writer->WaitReady(5000));
  EXPECT_EQ(FreeSizeOrNoDisc(*writer), "8,388,608 bytes free.");
  EXPECT_EQ(DiscStateLine(*writer), "Disc: DVD-RW, blank, 8,388,608 bytes free");

  ASSERT_TRUE(EjectDisc(*writer));
  // The simulated drive answers an open tray as "medium not present".
  EXPECT_EQ(FreeSizeOrNoDisc(*writer), "There is no disc in 0,5,0 (HALVERN DVD-RW QXW-7200). Insert a disc and try again.");
  EXPECT_EQ(DiscStateLine(*writer), "Disc: no disc (insert a disc and load it)");
  // Erase: one box that says what to do, not "Medium not present." and "Erase failed.".
  ui.Expect(kEraseQuestion, "Marrowlight", kQuestionFlags, ui::kIdOk);
  ui.Expect("There is no disc in 0,5,0 (HALVERN DVD-RW QXW-7200). Insert the disc to erase and try again.",
            "Marrowlight", ui::kIconError, ui::kIdOk);
  EXPECT_EQ(EraseDisc(*writer), EraseResult::Failed);

  ASSERT_TRUE(LoadDisc(*writer));
  ASSERT_TRUE(writer->WaitReady(5000));
  EXPECT_EQ(FreeSizeOrNoDisc(*writer), "8,388,608 bytes free.");
}
