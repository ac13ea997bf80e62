// SPDX-License-Identifier: GPL-3.0-or-later
// The "Writer Property" dialog on the offscreen platform: what it shows for
// each writer (both ways, on every showing), and its Erase: the question,
// BLANK with the immediate bit, polling through "operation in progress" to
// "Erase done.", a medium error while polling, and Cancel sending nothing.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <regex>

#include "devices/CreateDevice.h"
#include "devices/DeviceLine.h"
#include "gui/GuiThread.h"
#include "gui/TWrDevPropForm.h"
#include "tests/devices/SimBus.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/ErrorReport.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/gui/GuiTestSupport.h"

namespace {

const char kWriters[] = R"({"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r"}},
  {"id": 5, "model": "qxw7200", "medium": {"kind": "dvd-rw", "sectors": 4096}})";
const char kQuestion[] = "Do you wish to erase all data of the disc?";
constexpr unsigned kQuestionFlags = ui::kOkCancel | ui::kIconQuestion;
constexpr uint8_t kTestUnitReady = 0x00, kBlank = 0xA1;

template <typename T>
T* Child(QWidget& form, const char* name) {
  T* found = form.findChild<T*>(name);
  EXPECT_NE(found, nullptr) << name;
  return found;
}

std::string Report(const SCSIDEV& device, uint8_t key, uint8_t asc, uint8_t ascq) {
  return DiscErrorReport(device, "(00H) Test Unit Ready", key, asc, ascq);
}

class WrDevPropFormTest : public ::testing::Test {
 protected:
  void Erase() {
    Child<QPushButton>(form, "BtnErase")->click();
    EXPECT_FALSE(form.Erasing()) << "the click returns when the erase has ended";
  }

  CapturedLog log;
  ScriptedUiGuard ui;
  SimBus bus{kWriters};
  std::unique_ptr<SCSIDEV> later = CreateDevice(0, 4, 0).device;
  std::unique_ptr<SCSIDEV> rewritable = CreateDevice(0, 5, 0).device;
  TWrDevPropForm form;
};

}  // namespace

TEST_F(WrDevPropFormTest, EveryShowingSetsWhatTheWriterOffers) {
  form.show();
  EXPECT_EQ(form.windowTitle(), "Writer Property");
  for (int round = 0; round < 2; ++round) {
    form.SetWriter(*later);
    EXPECT_EQ(Child<QLabel>(form, "LabelWriterDev")->text().toStdString(), DeviceLine(*later));
    EXPECT_FALSE(Child<QLabel>(form, "LabelFreeSize")->isVisible()) << "the later QXW-7100 shows only its line";
    EXPECT_FALSE(Child<QPushButton>(form, "BtnErase")->isVisible());
    form.SetWriter(*rewritable);
    EXPECT_TRUE(Child<QLabel>(form, "LabelFreeSize")->isVisible()) << "a QXW-7100 before never hides them";
    EXPECT_TRUE(Child<QPushButton>(form, "BtnErase")->isVisible());
    EXPECT_EQ(Child<QLabel>(form, "LabelFreeSize")->text(), "8,388,608 bytes free.");
  }
}

TEST_F(WrDevPropFormTest, EraseBlanksAndPollsThroughOperationInProgressUntilReady) {
  form.SetWriter(*rewritable);
  form.show();
  bus.Clear();
  // The drive is busy erasing for three polls, then ready.
  bus.Script(kTestUnitReady, 3, 0x04, SenseBytes(2, 0x04, 0x07), {});
  bool buttonsLocked = false, stayed = false;
  std::string progress;
  struct Watch : ui::Backend {
    ui::ScriptedUi* script;
    std::function<void()> look;
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
      if (text == "Erase done.") gui::RunOnGuiThread(look);
      return script->MessageBox(text, caption, flags);
    }
  } watch;
  watch.script = &*ui;
  watch.look = [&] {
    buttonsLocked = !Child<QPushButton>(form, "BtnOK")->isEnabled() && !Child<QPushButton>(form, "BtnCancel")->isEnabled() &&
                    !Child<QPushButton>(form, "BtnErase")->isEnabled();
    // The last poll's progress is on view: the drive says nothing of its
    // own here, so the time elapsed and a busy bar.
    if (Child<QProgressBar>(form, "ProgErase")->isVisible() && Child<QProgressBar>(form, "ProgErase")->maximum() == 0)
      progress = Child<QLabel>(form, "LabelEraseProgress")->text().toStdString();
    form.reject();
    form.close();
    stayed = form.isVisible();
  };
  ui::ScopedBackend watching(watch);
  ui.Expect(kQuestion, "Marrowlight", kQuestionFlags, ui::kIdOk);
  ui.Expect("Erase done.", "Marrowlight", ui::kIconInformation, ui::kIdOk);
  Erase();

  EXPECT_EQ(form.LastErase(), EraseResult::Done);
  EXPECT_TRUE(buttonsLocked);
  EXPECT_TRUE(std::regex_match(progress, std::regex(R"(Erasing \.\.\. \d+:\d\d elapsed)"))) << progress;
  EXPECT_FALSE(Child<QProgressBar>(form, "ProgErase")->isVisible()) << "shown only while erasing";
  EXPECT_TRUE(stayed) << "the dialog does not close during an erase";
  auto blanks = bus.Commands(kBlank);
  ASSERT_EQ(blanks.size(), 1u);
  EXPECT_EQ(blanks[0].head.cdb[1], 0x10) << "immediate bit, blanking type 0";
  EXPECT_GE(bus.Count(kTestUnitReady), 4u) << "three polls of 02/04/07, then a clean one";
  EXPECT_TRUE(log.Contains("Blank done. 1: 0-00-00"));
  EXPECT_TRUE(Child<QPushButton>(form, "BtnErase")->isEnabled());
  EXPECT_EQ(Child<QLabel>(form, "LabelFreeSize")->text(), "8,388,608 bytes free.");
}

TEST_F(WrDevPropFormTest, AMediumErrorWhilePollingFailsTheErase) {
  form.SetWriter(*rewritable);
  form.show();
  bus.Clear();
  bus.Script(kTestUnitReady, 1, 0x04, SenseBytes(3, 0x0C, 0x00), {});
  ui.Expect(kQuestion, "Marrowlight", kQuestionFlags, ui::kIdOk);
  ui.Expect(Report(*rewritable, 3, 0x0C, 0), "Error Information", ui::kIconError, ui::kIdOk);
  ui.Expect("Erase failed.", "Marrowlight", ui::kIconError, ui::kIdOk);
  Erase();
  EXPECT_EQ(form.LastErase(), EraseResult::Failed);
  EXPECT_EQ(bus.Count(kTestUnitReady), 1u) << "the first poll decides";
  EXPECT_TRUE(log.Contains("Blank done. 0: 3-0C-00"));
  EXPECT_TRUE(Child<QPushButton>(form, "BtnErase")->isEnabled());
}

TEST_F(WrDevPropFormTest, CancelAtTheQuestionSendsNothing) {
  form.SetWriter(*rewritable);
  form.show();
  bus.Clear();
  ui.Expect(kQuestion, "Marrowlight", kQuestionFlags, ui::kIdCancel);
  Erase();
  EXPECT_EQ(form.LastErase(), EraseResult::Declined);
  EXPECT_TRUE(bus.Commands().empty());
  EXPECT_TRUE(Child<QPushButton>(form, "BtnErase")->isEnabled());
  EXPECT_TRUE(Child<QPushButton>(form, "BtnOK")->isEnabled());
  Child<QPushButton>(form, "BtnOK")->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST_F(WrDevPropFormTest, EjectSaysThereIsNoDiscAndLoadBringsItBack) {
  form.SetWriter(*rewritable);
  form.show();
  Child<QPushButton>(form, "BtnEject")->click();
  EXPECT_EQ(Child<QLabel>(form, "LabelFreeSize")->text().toStdString(),
            "There is no disc in 0,5,0 (HALVERN DVD-RW QXW-7200). Insert a disc and try again.");
  Child<QPushButton>(form, "BtnLoad")->click();
  EXPECT_EQ(Child<QLabel>(form, "LabelFreeSize")->text(), "8,388,608 bytes free.");
  // The later QXW-7100 offers Load and Eject too.
  form.SetWriter(*later);
  EXPECT_TRUE(Child<QPushButton>(form, "BtnLoad")->isVisible());
  EXPECT_TRUE(Child<QPushButton>(form, "BtnEject")->isVisible());
}

// Another maker's writer offers the quick erase: the check box shows for it
// alone, and a quick erase sends the minimal BLANK (type 1).
TEST(WrDevPropFormRecorder, TheQuickEraseOfAnotherMakersWriter) {
  CapturedLog log;
  ScriptedUiGuard ui;
  SimBus bus(std::string(kWriters) +
             R"(, {"id": 7, "model": "dvdrw-writer", "medium": {"kind": "dvd-rw", "sectors": 4096}})");
  auto maker = CreateDevice(0, 5, 0).device;
  auto recorder = CreateDevice(0, 7, 0).device;
  TWrDevPropForm form;
  form.show();
  form.SetWriter(*maker);
  EXPECT_FALSE(Child<QCheckBox>(form, "ChkBoxQuickErase")->isVisible());
  form.SetWriter(*recorder);
  auto* quick = Child<QCheckBox>(form, "ChkBoxQuickErase");
  EXPECT_TRUE(quick->isVisible());
  EXPECT_FALSE(quick->isChecked()) << "a full erase unless asked";
  quick->setChecked(true);
  bus.Clear();
  ui.Expect(kQuestion, "Marrowlight", kQuestionFlags, ui::kIdOk);
  ui.Expect("Erase done.", "Marrowlight", ui::kIconInformation, ui::kIdOk);
  Child<QPushButton>(form, "BtnErase")->click();
  EXPECT_EQ(form.LastErase(), EraseResult::Done);
  auto blanks = bus.Commands(kBlank);
  ASSERT_EQ(blanks.size(), 1u);
  EXPECT_EQ(blanks[0].head.cdb[1], 0x11) << "immediate bit, minimal blank";
  form.SetWriter(*recorder);
  EXPECT_FALSE(quick->isChecked()) << "every showing starts from the full erase";
}
