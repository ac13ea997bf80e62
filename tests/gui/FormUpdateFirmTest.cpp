// SPDX-License-Identifier: GPL-3.0-or-later
// The "Firmware Update" dialog on the offscreen platform: a whole update
// from Start to the new revision in the device line, a dialog that cannot be
// closed while the update runs, Start without a file or without a writer.
#include <gtest/gtest.h>

#include <signal.h>

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <functional>
#include <utility>

#include "devices/CreateDevice.h"
#include "devices/DeviceLine.h"
#include "gui/GuiThread.h"
#include "gui/TFormUpdateFirm.h"
#include "gui/TerminationWatch.h"
#include "host/os/Interrupt.h"
#include "tests/devices/SimBus.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/FirmwareFiles.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/TempDir.h"
#include "tests/gui/GuiTestSupport.h"

namespace {

// The scripted person, with a look at the windows (on the GUI thread) each
// time a box with a given text comes.
class WatchingUi : public ui::Backend {
 public:
  WatchingUi(ui::ScriptedUi& script, std::string text, std::function<void()> look)
      : script_(script), text_(std::move(text)), look_(std::move(look)) {}
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
    if (text == text_) gui::RunOnGuiThread(look_);
    return script_.MessageBox(text, caption, flags);
  }

 private:
  ui::ScriptedUi& script_;
  std::string text_;
  std::function<void()> look_;
};

template <typename T>
T* Child(QWidget& form, const char* name) {
  T* found = form.findChild<T*>(name);
  EXPECT_NE(found, nullptr) << name;
  return found;
}

QString Text(QWidget& form, const char* label) { return Child<QLabel>(form, label)->text(); }

}  // namespace

TEST(FormUpdateFirm, UpdatesTheWriterAndCannotBeClosedMeanwhile) {
  CapturedLog log;
  ScriptedUiGuard ui;
  TempDir dir;
  SimBus bus(R"({"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r"}})");
  std::unique_ptr<SCSIDEV> writer = CreateDevice(0, 4, 0).device;
  TFormUpdateFirm form;
  form.SetWriter(writer);
  form.show();
  EXPECT_EQ(form.windowTitle(), "Firmware Update");
  EXPECT_EQ(Text(form, "LabelWriteDev").toStdString(), DeviceLine(*writer));
  EXPECT_EQ(Text(form, "ProgUpdatePerc"), "0%");
  EXPECT_TRUE(Child<QPushButton>(form, "BtnStart")->isEnabled());
  Child<QLineEdit>(form, "EditUpdateFile")->setText(QString::fromStdString(dir.Write("u.bin", SysMecFile{}.Build())));

  struct Seen {
    bool visible = false, closeEnabled = true, startEnabled = true;
    QString comment;
  } seen;
  WatchingUi watching(*ui, "Turn off QXW-7100 and push OK button.", [&] {
    form.close();
    form.reject();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&form, &escape);
    seen = {form.isVisible(), Child<QPushButton>(form, "BtnCloseStop")->isEnabled(),
            Child<QPushButton>(form, "BtnStart")->isEnabled(), Text(form, "LabelComment")};
  });
  ui::ScopedBackend watch(watching);
  ui.Expect("This file is for updating the firmware of QXW-7100\nVer1.07 to 1.08", "Update firmware",
            ui::kOkCancel | ui::kIconQuestion, ui::kIdOk);
  ui.Expect("Turn off QXW-7100 and push OK button.", "Marrowlight", ui::kOk, ui::kIdOk);
  ui.Expect("Turn on QXW-7100 and push OK button.", "Marrowlight", ui::kOk, ui::kIdOk);
  ui.Expect("Update firmware done.", "Marrowlight", ui::kIconInformation, ui::kIdOk);

  Child<QPushButton>(form, "BtnStart")->click();
  EXPECT_TRUE(form.UpdateRunning());
  guitest::RunUntil([&] { return !form.UpdateRunning(); });

  EXPECT_TRUE(seen.visible) << "neither Close, the close box nor Esc closes a running update";
  EXPECT_FALSE(seen.closeEnabled);
  EXPECT_FALSE(seen.startEnabled);
  EXPECT_EQ(seen.comment, "Now updating QXW-7100 ...");
  EXPECT_EQ(Child<QProgressBar>(form, "ProgUpdateBar")->value(), 100);
  EXPECT_EQ(Child<QProgressBar>(form, "ProgVerifyBar")->value(), 100);
  EXPECT_EQ(Text(form, "ProgVerifyPerc"), "100%");
  EXPECT_EQ(Text(form, "LabelComment"), "");
  EXPECT_TRUE(Text(form, "LabelWriteDev").endsWith("(Version 1.08)")) << Text(form, "LabelWriteDev").toStdString();
  EXPECT_TRUE(Child<QPushButton>(form, "BtnStart")->isEnabled());
  EXPECT_TRUE(Child<QPushButton>(form, "BtnCloseStop")->isEnabled());
  Child<QPushButton>(form, "BtnCloseStop")->click();
  EXPECT_FALSE(form.isVisible());
}

TEST(FormUpdateFirm, StartAsksForAFileAndNeedsAWriter) {
  CapturedLog log;
  ScriptedUiGuard ui;
  SimBus bus(R"({"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r"}})");
  std::unique_ptr<SCSIDEV> writer = CreateDevice(0, 4, 0).device;
  TFormUpdateFirm form;
  form.SetWriter(writer);
  form.show();
  auto* start = Child<QPushButton>(form, "BtnStart");
  const char* question = "No file is specified.\r\nDo you wish to select an update file?";
  bus.Clear();

  ui.Expect(question, "Marrowlight", ui::kYesNo | ui::kIconQuestion, ui::kIdNo);
  start->click();
  EXPECT_TRUE(start->isEnabled());
  ui.Expect(question, "Marrowlight", ui::kYesNo | ui::kIconQuestion, ui::kIdYes);
  ui->ExpectFileDialog(std::nullopt);
  start->click();
  EXPECT_TRUE(start->isEnabled());
  EXPECT_FALSE(form.UpdateRunning());
  EXPECT_TRUE(bus.Commands().empty()) << "nothing reached the drive";

  ui->ExpectFileDialog("/updates/qxw7100.bin");
  Child<QPushButton>(form, "BtnUpdateFileBrouse")->click();
  EXPECT_EQ(Child<QLineEdit>(form, "EditUpdateFile")->text(), "/updates/qxw7100.bin");
  ASSERT_EQ(ui->FileDialogs().size(), 2u);
  EXPECT_EQ(ui->FileDialogs().back().title, "Select a file for updating firmware");

  std::unique_ptr<SCSIDEV> none;
  form.SetWriter(none);
  EXPECT_EQ(Text(form, "LabelWriteDev"), "No writing device is found.");
  EXPECT_FALSE(start->isEnabled());
  std::unique_ptr<SCSIDEV> unset = std::make_unique<SCSIDEV>();
  form.SetWriter(unset);
  EXPECT_EQ(Text(form, "LabelWriteDev"), "No writing device is found.");
  EXPECT_FALSE(start->isEnabled());
}

// SIGTERM while an update runs: the update cannot be canceled, so it goes on
// to the point where the drive is consistent (both parts committed), shows
// no power prompt that nobody would answer, logs what the drive holds and
// how to go on, and only then the program ends.
TEST(FormUpdateFirm, ASignalLetsTheUpdateReachAConsistentPointAndSaysWhatTheDriveHolds) {
  CapturedLog log;
  ScriptedUiGuard ui;
  TempDir dir;
  SimBus bus(R"({"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r"}})");
  std::unique_ptr<SCSIDEV> writer = CreateDevice(0, 4, 0).device;
  TFormUpdateFirm form;
  form.SetWriter(writer);
  form.show();
  Child<QLineEdit>(form, "EditUpdateFile")->setText(QString::fromStdString(dir.Write("u.bin", SysMecFile{}.Build())));
  struct FormTargets : QuitTargets {
    explicit FormTargets(TFormUpdateFirm& form) : form(form) {}
    void StopForQuit() override { form.StopForQuit(); }
    bool Runs(const QWidget& window) const override { return &window == &form; }
    TFormUpdateFirm& form;
  } targets(form);
  bool ended = false, runningAtTheEnd = true;
  TerminationWatch watch(targets, [&] {
    ended = true;
    runningAtTheEnd = form.UpdateRunning();
  });
  // The signal comes once the first chunk has reached the drive.
  QObject::connect(Child<QProgressBar>(form, "ProgUpdateBar"), &QProgressBar::valueChanged, [](int value) {
    static bool raised = false;
    if (value > 0 && !std::exchange(raised, true)) ::raise(SIGTERM);
  });
  ui.Expect("This file is for updating the firmware of QXW-7100\nVer1.07 to 1.08", "Update firmware",
            ui::kOkCancel | ui::kIconQuestion, ui::kIdOk);
  ui.Expect("Update firmware done.", "Marrowlight", ui::kIconInformation, ui::kIdOk);

  Child<QPushButton>(form, "BtnStart")->click();
  guitest::RunUntil([&] { return ended && !form.UpdateRunning(); });
  host::ClearInterrupt();

  EXPECT_FALSE(runningAtTheEnd) << "the program ends only after the update";
  EXPECT_TRUE(log.Contains("[UpdateSysMec] MEC part committed."));
  EXPECT_TRUE(log.Contains("[UpdateSysMec] SYS part committed."));
  EXPECT_TRUE(log.Contains(
      "[UpdateFirmware] The program quits. The drive holds the new firmware: switch it off and on to start it."));
}
