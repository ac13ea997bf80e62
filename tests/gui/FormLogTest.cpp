// SPDX-License-Identifier: GPL-3.0-or-later
// The log window: entries as the log sends them, Clear Log, Save log with its
// overwrite question and CRLF file, "Do not output log", and a save onto the
// running log file.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <filesystem>
#include <regex>

#include "base/Log.h"
#include "gui/TFormLog.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/TempDir.h"

namespace {

class FormLogTest : public testing::Test {
 protected:
  FormLogTest() {
    previousTrace_ = SetTraceWriter([](std::string_view) {});
    form_ = std::make_unique<TFormLog>(LogFile());
  }
  ~FormLogTest() override {
    form_.reset();
    SetTraceWriter(previousTrace_);
  }

  std::string LogFile() const { return dir_.File("MarrowlightLog.txt"); }
  std::string Shown() {
    Log().Flush();
    QCoreApplication::sendPostedEvents();
    return form_->findChild<QPlainTextEdit*>("Log")->toPlainText().toStdString();
  }
  void Click(const char* name) { form_->findChild<QAbstractButton*>(name)->click(); }
  QCheckBox* DontLog() { return form_->findChild<QCheckBox*>("ChkBoxDontLog"); }

  ScriptedUiGuard ui_;
  TempDir dir_;
  TraceWriter previousTrace_;
  std::unique_ptr<TFormLog> form_;
};

const char* const kClear = "Do you wish to clear the log?";

}  // namespace

TEST_F(FormLogTest, TheWindowShowsEntriesAndSaysWhereTheLogFileIs) {
  EXPECT_EQ(form_->windowTitle(), "Log window");
  EXPECT_EQ(form_->size(), QSize(524, 280));
  EXPECT_FALSE(form_->isVisible());
  EXPECT_EQ(form_->findChild<QLabel*>("LabelLogFile")->text().toStdString(), "Log file: " + LogFile());
  // Nothing exists before the first entry.
  EXPECT_FALSE(std::filesystem::exists(LogFile()));
  AddLog("[Step]");
  AddLog("two\r\nlines");
  AddLog("ends with an empty line\r\n");
  AddLog("last");
  EXPECT_EQ(Shown(), "[Step]\ntwo\nlines\nends with an empty line\n\nlast");
  EXPECT_EQ(TempDir::Read(LogFile()), "[Step]\r\ntwo\r\nlines\r\nends with an empty line\r\n\r\nlast\r\n");
  form_->ShowLogWindow();
  EXPECT_TRUE(form_->isVisible());
  Click("BtnOK");
  EXPECT_FALSE(form_->isVisible());
}

TEST_F(FormLogTest, ClearAsksAndEmptiesOnlyTheWindow) {
  AddLog("kept in the file");
  ui_.Expect(kClear, "Marrowlight", 0x24, ui::kIdNo);
  Click("BtnClearLog");
  EXPECT_EQ(Shown(), "kept in the file");
  ui_.Expect(kClear, "Marrowlight", 0x24, ui::kIdYes);
  Click("BtnClearLog");
  EXPECT_EQ(Shown(), "");
  AddLog("after");
  EXPECT_EQ(Shown(), "after");
  EXPECT_EQ(TempDir::Read(LogFile()), "kept in the file\r\nafter\r\n");
}

TEST_F(FormLogTest, SaveWritesWhatIsShownWithCrLfAndAsksBeforeOverwriting) {
  AddLog("first\r\n");
  AddLog("second");
  Shown();
  std::string saved = dir_.File("saved.txt");
  ui_->ExpectFileDialog(saved);
  Click("BtnSaveLog");
  EXPECT_EQ(TempDir::Read(saved), "first\r\n\r\nsecond");
  const ui::FileDialogRequest request = ui_->FileDialogs().at(0);
  EXPECT_TRUE(request.save);
  EXPECT_EQ(request.title, "Save log file");
  EXPECT_EQ(request.filter, "Text files|*.txt|All files|*.*");
  EXPECT_EQ(request.defaultExtension, "txt");
  // A dated name, never the running log's; the save is said and its folder
  // is where the next save opens.
  EXPECT_TRUE(std::regex_match(request.fileName, std::regex(R"(.*MarrowlightLog-\d{4}-\d\d-\d\d-\d{4}\.txt)")))
      << request.fileName;
  EXPECT_EQ(form_->findChild<QLabel*>("LabelSaved")->text().toStdString(), "Log saved to " + saved);

  // An existing file: No leaves it, Yes overwrites it with what is shown now.
  AddLog("third");
  Shown();
  std::string question = saved + " already exists.\r\nDo you wish to overwrite it?";
  ui_->ExpectFileDialog(saved);
  ui_.Expect(question, "Marrowlight", 0x124, ui::kIdNo);
  Click("BtnSaveLog");
  EXPECT_EQ(TempDir::Read(saved), "first\r\n\r\nsecond");
  ui_->ExpectFileDialog(saved);
  ui_.Expect(question, "Marrowlight", 0x124, ui::kIdYes);
  Click("BtnSaveLog");
  EXPECT_EQ(TempDir::Read(saved), "first\r\n\r\nsecond\r\nthird");
  // A cancelled dialog saves nothing.
  ui_->ExpectFileDialog(std::nullopt);
  Click("BtnSaveLog");
  EXPECT_EQ(ui_->FileDialogs().back().folder, dir_.Path());
  EXPECT_EQ(ui_->FileDialogs().back().fileName.rfind(dir_.Path() + "/MarrowlightLog-", 0), 0u);
}

TEST_F(FormLogTest, TheWindowKeepsItsLastLinesAndTheFileKeepsAll) {
  for (int i = 0; i < TFormLog::kShownLines + 100; ++i) AddLog("line " + std::to_string(i));
  std::string shown = Shown();
  EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n') + 1, TFormLog::kShownLines);
  EXPECT_EQ(shown.substr(0, 9), "line 100\n");
  std::string file = TempDir::Read(LogFile());
  EXPECT_EQ(file.substr(0, 8), "line 0\r\n");
}

TEST_F(FormLogTest, SavingOntoTheRunningLogFileIsRefusedWithTheOpenError) {
  AddLog("running");
  ui_->ExpectFileDialog(LogFile());
  ui_.Expect("Open error: " + LogFile() + " (in use by this or another program)", "Error", 0x10, ui::kIdOk);
  Click("BtnSaveLog");
  AddLog("still logging");
  Shown();
  EXPECT_EQ(TempDir::Read(LogFile()), "running\r\nstill logging\r\n");
}

TEST_F(FormLogTest, DoNotOutputLogStopsAndResumesLoggingWithoutASecondHeader) {
  AddLog("before");
  DontLog()->click();
  EXPECT_FALSE(LogOutputOn());
  AddLog("while off");
  DontLog()->click();
  EXPECT_TRUE(LogOutputOn());
  AddLog("after");
  EXPECT_EQ(Shown(), "before\nafter");
  EXPECT_EQ(TempDir::Read(LogFile()), "before\r\nafter\r\n");
  // The switch set elsewhere shows in the box.
  SetLogOutput(false);
  Shown();
  EXPECT_TRUE(DontLog()->isChecked());
}

TEST(FormLog, AnUnwritableLogSwitchesItselfOffAndTicksTheBox) {
  ScriptedUiGuard ui;
  TempDir dir;
  TraceWriter previous = SetTraceWriter([](std::string_view) {});
  {
    // The log file's folder does not exist.
    TFormLog form(dir.File("gone/MarrowlightLog.txt"));
    AddLog("shown all the same");
    Log().Flush();
    QCoreApplication::sendPostedEvents();
    // The entry, and one line that says why logging is off.
    EXPECT_EQ(form.findChild<QPlainTextEdit*>("Log")->toPlainText().toStdString(),
              "shown all the same\nLogging is off: " + dir.File("gone/MarrowlightLog.txt") +
                  " cannot be created (No such file or directory).");
    EXPECT_TRUE(form.findChild<QCheckBox*>("ChkBoxDontLog")->isChecked());
  }
  SetTraceWriter(previous);
}
