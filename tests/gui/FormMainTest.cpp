// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on buses of its own: the four lists, the enabled state of
// the controls, the warnings and boxes of the start-up scans, the version
// dialog, the settings dialog, the log window's switch and quitting.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMetaObject>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolButton>
#include <QUrl>
#include <filesystem>

#include "base/Log.h"
#include "gui/TAboutBox.h"
#include "gui/TFormLog.h"
#include "gui/TFormManager.h"
#include "gui/TFormSettings.h"
#include "scsi/AspiManager.h"
#include "tests/fixtures/ProgramBus.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/gui/MainWindowRun.h"

namespace {

const char* const kOldWriterWarning =
    "An old version of QXW-7100 is found.\r\nIt is recommended that you update the drive to Ver1.07 or later.";

const char* const kBus = R"({"id": 0, "model": "disk", "medium": {"kind": "image", "sectors": 64}},
                            {"id": 2, "model": "dvd-rom", "medium": {"kind": "none"}},
                            {"id": 4, "model": "qxw7100", "medium": {"kind": "dvd-r"}},
                            {"id": 5, "model": "qxw7200", "medium": {"kind": "dvd-rw"}})";

// The enabled ones of the named controls, as one text.
template <typename T>
std::string Enabled(MainWindowRun& run, std::initializer_list<const char*> names) {
  std::string out;
  for (const char* name : names) {
    T* control = run.Get<T>(name);
    if (control != nullptr && control->isEnabled()) out += std::string(out.empty() ? "" : " ") + name;
  }
  return out;
}

std::string EnabledWidgets(MainWindowRun& run) {
  return Enabled<QWidget>(run, {"CmbWrSrcScsi", "EditWrSrcFile", "BtnWrSrcBrouse", "CmbWrDstScsi", "WrDevProperty",
                                "BtnWrite", "BtnWrVerify", "CmbCpSrcScsi", "EditCpSrcFile", "BtnCpSrcBrouse",
                                "CmbCpDstScsi", "EditCpDstFile", "BtnCpDstBrouse", "BtnCopy", "BtnCpVerify"});
}

std::string EnabledItems(MainWindowRun& run) {
  return Enabled<QAction>(run, {"MenuWritePattern", "MenuUpdateFirmware", "MenuLogWindow", "MenuVersion"});
}

// Opens the version dialog from the given control and reads its writer line.
std::string VersionLineFrom(MainWindowRun& run, QObject* control, const char* slot) {
  QMetaObject::invokeMethod(control, slot, Qt::QueuedConnection);
  std::string line;
  guitest::RunUntil([&] { return !line.empty(); },
                    [&] {
                      if (auto* about = guitest::FindTopLevel<TAboutBox>("AboutBox")) {
                        EXPECT_EQ(about->windowTitle(), "Version information");
                        EXPECT_EQ(about->findChild<QLabel*>("ProductName")->text(), "Marrowlight Ver2.00");
                        EXPECT_EQ(about->findChild<QLabel*>("Date")->text(), "Jul. 30. 1999");
                        EXPECT_TRUE(about->findChild<QLabel*>("LabelLicence")->text().contains("GPL-3.0-or-later"));
                        line = about->findChild<QLabel*>("LabelWriteDev")->text().toStdString();
                        about->findChild<QPushButton*>("OKButton")->click();
                      }
                    });
  (void)run;
  return line;
}

}  // namespace

TEST(FormMain, ABusWithWritersFillsTheListsAndEnablesTheWritePage) {
  ScriptedUiGuard ui;
  ProgramBus bus(kBus);
  MainWindowRun run;

  // On the simulated bus the title says so, lest an emulated drive be taken
  // for a real one.
  EXPECT_EQ(run.Form().windowTitle(), "Marrowlight - simulated drives");
  EXPECT_EQ(run.Items("CmbWrSrcScsi"), (QStringList{"(0,0,0) ORBITEK HD-2100 DISK", "(0,2,0) ORBITEK DVD-ROM DR-160",
                                                     "(0,4,0) HALVERN DVD-R QXW-7100",
                                                     "(0,5,0) HALVERN DVD-RW QXW-7200"}));
  EXPECT_EQ(run.Items("CmbWrDstScsi"),
            (QStringList{"(0,4,0) HALVERN DVD-R QXW-7100", "(0,5,0) HALVERN DVD-RW QXW-7200"}));
  EXPECT_EQ(run.Items("CmbCpSrcScsi").size(), 4);
  EXPECT_EQ(run.Items("CmbCpDstScsi"), (QStringList{"(0,0,0) ORBITEK HD-2100 DISK"}));
  EXPECT_TRUE(run.Get<QRadioButton>("RadioWrSrcScsi")->isChecked());
  EXPECT_TRUE(run.Get<QRadioButton>("RadioCpDstScsi")->isChecked());
  EXPECT_EQ(EnabledWidgets(run), "CmbWrSrcScsi CmbWrDstScsi WrDevProperty BtnWrite BtnWrVerify CmbCpSrcScsi "
                                 "CmbCpDstScsi BtnCopy BtnCpVerify");
  EXPECT_EQ(EnabledItems(run), "MenuWritePattern MenuUpdateFirmware MenuLogWindow MenuVersion");
  EXPECT_FALSE(run.Get<QAction>("MenuSetting")->isVisible());

  run.Get<QRadioButton>("RadioWrSrcFile")->click();
  run.Get<QRadioButton>("RadioCpSrcFile")->click();
  run.Get<QRadioButton>("RadioCpDstFile")->click();
  EXPECT_EQ(EnabledWidgets(run), "EditWrSrcFile BtnWrSrcBrouse CmbWrDstScsi WrDevProperty BtnWrite BtnWrVerify "
                                 "EditCpSrcFile BtnCpSrcBrouse EditCpDstFile BtnCpDstBrouse BtnCopy BtnCpVerify");

  // The version names the selected writer; the button and the menu item agree.
  EXPECT_EQ(VersionLineFrom(run, run.Get<QToolButton>("SpdBtnVersion"), "click"),
            "SCSI address 0,4,0:  HALVERN  DVD-R QXW-7100   (Version 1.07)");
  run.Get<QComboBox>("CmbWrDstScsi")->setCurrentIndex(1);
  EXPECT_EQ(VersionLineFrom(run, run.Get<QAction>("MenuVersion"), "trigger").substr(0, 23), "SCSI address 0,5,0:  HA");

  // The scans' lines are in the log window and the log file, under the header.
  std::string shown = run.Shown();
  EXPECT_EQ(shown.rfind("Marrowlight Ver2.00\n", 0), 0u) << shown.substr(0, 80);
  EXPECT_NE(shown.find("\n[InitWritePage]\nNumber of Host Adaptors: 1\n"), std::string::npos);
  EXPECT_NE(shown.find("now serching 0,4,0 ... HALVERN DVD-R QXW-7100  1.07"), std::string::npos);
  EXPECT_NE(shown.find("[InitCopyPage] done."), std::string::npos);
  std::string file = TempDir::Read(run.LogFile());
  EXPECT_EQ(file.rfind("Marrowlight Ver2.00\r\n", 0), 0u);
  EXPECT_NE(file.find("[InitWritePage] done.\r\n\r\n"), std::string::npos);
}

TEST(FormMain, WithoutAWriterNothingOnTheWritePageStarts) {
  ScriptedUiGuard ui;
  ProgramBus bus(R"({"id": 0, "model": "disk", "medium": {"kind": "image", "sectors": 64}},
                    {"id": 2, "model": "dvd-rom", "medium": {"kind": "none"}},
                    {"id": 6, "model": "cd-wo", "vendor": "ORBITEK", "medium": {"kind": "none"}})");
  MainWindowRun run;
  EXPECT_EQ(run.Items("CmbWrDstScsi"), QStringList{"Not Available"});
  EXPECT_EQ(EnabledItems(run), "MenuLogWindow MenuVersion");
  EXPECT_EQ(EnabledWidgets(run), "CmbWrSrcScsi CmbCpSrcScsi CmbCpDstScsi BtnCopy BtnCpVerify");
  // A file source does not bring Write or Verify back.
  run.Get<QRadioButton>("RadioWrSrcFile")->click();
  EXPECT_EQ(Enabled<QWidget>(run, {"CmbWrSrcScsi", "EditWrSrcFile", "BtnWrite", "BtnWrVerify"}), "EditWrSrcFile");
  EXPECT_EQ(VersionLineFrom(run, run.Get<QAction>("MenuVersion"), "trigger"), "No writing device is found.");
}

TEST(FormMain, AnOldQxw7100IsWarnedAboutOncePerLunAndStillListed) {
  ScriptedUiGuard ui;
  ProgramBus bus(R"({"id": 4, "model": "qxw7100", "revision": "1.06", "medium": {"kind": "dvd-r"}},
                    {"id": 4, "lun": 1, "model": "qxw7100", "revision": "1.06", "medium": {"kind": "dvd-r"}})");
  ui.Expect(kOldWriterWarning, "Warning", 0x30, ui::kIdOk);
  ui.Expect(kOldWriterWarning, "Warning", 0x30, ui::kIdOk);
  MainWindowRun run;
  EXPECT_EQ(run.Items("CmbWrDstScsi"),
            (QStringList{"(0,4,0) HALVERN DVD-R QXW-7100", "(0,4,1) HALVERN DVD-R QXW-7100"}));
  EXPECT_EQ(ui->Remaining().size(), 0u);
}

TEST(FormMain, AMissingManagerIsReportedOnceAndNoHandlerActsWithoutADevice) {
  ScriptedUiGuard ui;
  ProgramBus bus(kBus);
  ::setenv("MARROWLIGHT_ASPI", bus.Dir().File("no-such-manager.so").c_str(), 1);
  ResetAspiManagerForTesting();
  ui.Expect("ASPI manager is not found.\nInstall ASPI manager and restart your conputer.\n" +
                bus.Dir().File("no-such-manager.so") + ": cannot open shared object file: No such file or directory",
            "ASPI manager is missing", 0x10, ui::kIdOk);
  MainWindowRun run;
  for (const char* combo : {"CmbWrSrcScsi", "CmbWrDstScsi", "CmbCpSrcScsi", "CmbCpDstScsi"})
    EXPECT_EQ(run.Items(combo), QStringList{}) << combo;
  EXPECT_EQ(EnabledWidgets(run), "");
  EXPECT_EQ(EnabledItems(run), "MenuLogWindow MenuVersion");

  // Even with every control forced on, nothing asks for a device that is not there.
  for (QAbstractButton* button : run.Form().centralWidget()->findChildren<QAbstractButton*>()) {
    if (button->objectName().startsWith("Radio") || button->objectName().contains("Brouse") ||
        button->objectName() == "BtnQuit" || button->objectName() == "SpdBtnVersion")
      continue;
    button->setEnabled(true);
    button->click();
  }
  EXPECT_FALSE(run.Get<QAction>("MenuReadScan")->isEnabled());
  for (const char* item : {"MenuWritePattern", "MenuUpdateFirmware", "MenuReadScan"}) {
    run.Get<QAction>(item)->setEnabled(true);
    run.Get<QAction>(item)->trigger();
  }
  EXPECT_EQ(run.dialogs.Count(), 0u);
  std::string shown = run.Shown();
  EXPECT_NE(shown.find("[InitWritePage]"), std::string::npos);
  EXPECT_EQ(shown.find("[InitCopyPage]"), std::string::npos);
}

TEST(FormMain, AManagerThatIsNotReadyLeavesOnlyTheWritePageEmpty) {
  ScriptedUiGuard ui;
  ProgramBus bus = ProgramBus::WithDescription(
      R"({"state_dir": "state", "faults": [{"kind": "support-not-initialised"}],
          "adapters": [{"devices": [{"id": 0, "model": "disk", "medium": {"kind": "image", "sectors": 64}}]}]})");
  ui.Expect("ASPI manager is not initialized!!\nCheck SCSI board driver and ASPI manager are correctly installed.",
            "ASPI Initializing Error.", 0x10, ui::kIdOk);
  MainWindowRun run;
  EXPECT_EQ(run.Items("CmbWrSrcScsi"), QStringList{});
  EXPECT_EQ(run.Items("CmbWrDstScsi"), QStringList{});
  EXPECT_EQ(run.Items("CmbCpDstScsi"), QStringList{"(0,0,0) ORBITEK HD-2100 DISK"});
  EXPECT_EQ(EnabledWidgets(run), "CmbCpSrcScsi CmbCpDstScsi BtnCopy BtnCpVerify");
}

TEST(FormMain, NologStartsWithLoggingOffAndTheSettingsBoxSwitchesIt) {
  ScriptedUiGuard ui;
  ProgramBus bus(kBus);
  MainWindowRun run(false);
  auto* dontLog = run.Form().FormLog()->findChild<QCheckBox*>("ChkBoxDontLog");
  EXPECT_EQ(run.Shown(), "");
  EXPECT_TRUE(dontLog->isChecked());
  EXPECT_FALSE(std::filesystem::exists(run.LogFile()));

  // The hidden Setting item still opens the dialog; its box starts cleared
  // whatever the logging state, and switches logging as it is clicked.
  QMetaObject::invokeMethod(run.Get<QAction>("MenuSetting"), "trigger", Qt::QueuedConnection);
  bool closed = false;
  int clicks = 0;
  guitest::RunUntil([&] { return closed; },
                    [&] {
                      auto* settings = guitest::FindTopLevel<TFormSettings>("FormSettings");
                      if (settings == nullptr) return;
                      EXPECT_EQ(settings->windowTitle(), "Operation Settings");
                      auto* box = settings->findChild<QCheckBox*>("ChkBoxDoNotMakeLog");
                      EXPECT_EQ(box->text(), "Do not make a log file.");
                      if (clicks == 0) {
                        EXPECT_FALSE(box->isChecked());
                      }
                      if (clicks < 2) {
                        box->click();  // ticked (logging stays off), then cleared (on)
                        ++clicks;
                        return;
                      }
                      settings->findChild<QPushButton*>("ButtonOK")->click();
                      closed = true;
                    });
  EXPECT_TRUE(LogOutputOn());
  AddLog("first entry");
  run.Shown();
  EXPECT_FALSE(dontLog->isChecked());
  // The file is made now, with the header on top.
  std::string file = TempDir::Read(run.LogFile());
  EXPECT_EQ(file.rfind("Marrowlight Ver2.00\r\n", 0), 0u);
  EXPECT_NE(file.find("first entry\r\n"), std::string::npos);

  // Ticking the settings box ticks the log window's.
  SetLogOutput(true);
  run.Form().FormSettings().findChild<QCheckBox*>("ChkBoxDoNotMakeLog")->click();
  run.Shown();
  EXPECT_TRUE(dontLog->isChecked());

  // The SCSI manager of the next start is chosen from a visible item of the
  // Option menu; it shows the manager in use.
  QAction* manager = run.Get<QAction>("MenuManager");
  ASSERT_NE(manager, nullptr);
  EXPECT_TRUE(manager->isVisible());
  QMetaObject::invokeMethod(manager, "trigger", Qt::QueuedConnection);
  bool managerShown = false;
  guitest::RunUntil([&] { return managerShown; },
                    [&] {
                      auto* form = guitest::FindTopLevel<TFormManager>("FormManager");
                      if (form == nullptr) return;
                      EXPECT_EQ(form->windowTitle(), "SCSI Manager");
                      EXPECT_TRUE(form->findChild<QLabel*>("LabelManagerInUse")->text().contains("libwnaspi32.so"));
                      form->findChild<QPushButton*>("BtnCancel")->click();
                      managerShown = true;
                    });
}

TEST(FormMain, QuitAsksAndOnlyYesClosesTheLogAndTheWindow) {
  ScriptedUiGuard ui;
  ProgramBus bus(kBus);
  MainWindowRun run;
  run.Form().show();
  ui.Expect("Quit?", "Marrowlight", 0x24, ui::kIdNo);
  run.Get<QPushButton>("BtnQuit")->click();
  EXPECT_TRUE(run.Form().isVisible());
  ASSERT_NE(run.Form().FormLog(), nullptr);

  // The log window menu item shows it at 600 by 280.
  run.Get<QAction>("MenuLogWindow")->trigger();
  EXPECT_TRUE(run.Form().FormLog()->isVisible());
  EXPECT_EQ(run.Form().FormLog()->size(), QSize(600, 280));

  ui.Expect("Quit?", "Marrowlight", 0x24, ui::kIdYes);
  run.Get<QAction>("MenuQuit")->trigger();
  EXPECT_FALSE(run.Form().isVisible());
  EXPECT_EQ(run.Form().FormLog(), nullptr);
  // Nothing is logged after that.
  AddLog("after the end");
  Log().Flush();
  EXPECT_EQ(TempDir::Read(run.LogFile()).find("after the end"), std::string::npos);
}

// The writer as a person handles it: the line that says what it holds (read
// when it is chosen and after a load or an eject), the Drive menu, a rescan,
// the status line for what the scans could not list, and an image dropped
// on the window or named on the command line.
TEST(FormMain, TheDriveMenuTheDiscLineTheStatusLineAndAnOpenedImage) {
  ScriptedUiGuard ui;
  ProgramBus bus(R"({"id": 1, "model": "disk", "medium": {"kind": "image", "sectors": 64},
                     "faults": [{"kind": "hang", "opcode": "12h", "first": 1}]},
                    {"id": 4, "model": "qxw7100", "medium": {"kind": "dvd-r", "sectors": 4096}},
                    {"id": 5, "model": "qxw7200", "medium": {"kind": "dvd-rw", "sectors": 4096}})");
  MainWindowRun run;
  auto disc = [&] { return run.Get<QLabel>("LabelDiscState")->text().toStdString(); };
  auto status = [&] { return run.Form().statusBar()->currentMessage().toStdString(); };
  EXPECT_EQ(disc(), "Disc: DVD-R, blank, 8,388,608 bytes free");
  EXPECT_EQ(status(), "Not listed: 0,1,0: no answer to its identification. Choose Rescan Devices when it is ready.");
  run.Get<QComboBox>("CmbWrDstScsi")->setCurrentIndex(1);
  EXPECT_EQ(disc(), "Disc: DVD-RW, blank, 8,388,608 bytes free");

  run.Get<QAction>("MenuEject")->trigger();
  EXPECT_EQ(disc(), "Disc: no disc (insert a disc and load it)");
  run.Get<QAction>("MenuLoad")->trigger();
  EXPECT_EQ(disc(), "Disc: DVD-RW, blank, 8,388,608 bytes free");

  // The disk answers now: a rescan lists it and says what it found.
  run.Get<QAction>("MenuRescan")->trigger();
  EXPECT_EQ(run.Items("CmbCpDstScsi"), QStringList{"(0,1,0) ORBITEK HD-2100 DISK"});
  EXPECT_EQ(status(), "Devices scanned: 2 writer(s), 3 source(s).");
  EXPECT_EQ(disc(), "Disc: DVD-R, blank, 8,388,608 bytes free");

  // Menus and buttons have mnemonics.
  for (const char* menu : {"MenuFile", "MenuOption", "MenuDrive", "MenuInformation"})
    EXPECT_TRUE(run.Form().findChild<QMenu*>(menu)->title().startsWith('&')) << menu;
  EXPECT_EQ(run.Get<QPushButton>("BtnWrite")->text(), "&Write");

  // An image dropped on the window becomes the Write page's source file.
  std::string image = bus.Dir().Write("dropped.iso", std::string(2048, 'x'));
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(image))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&run.Form(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&run.Form(), &drop);
  EXPECT_TRUE(run.Get<QRadioButton>("RadioWrSrcFile")->isChecked());
  EXPECT_EQ(run.Get<QLineEdit>("EditWrSrcFile")->text().toStdString(), image);
  EXPECT_TRUE(run.Get<QAbstractButton>("BtnWrite")->isEnabled());
  // As from the command line: the same place.
  run.Form().OpenImage("/tmp/other.iso");
  EXPECT_EQ(run.Get<QLineEdit>("EditWrSrcFile")->text().toStdString(), "/tmp/other.iso");
  EXPECT_EQ(status(), "Source file: /tmp/other.iso");
}
