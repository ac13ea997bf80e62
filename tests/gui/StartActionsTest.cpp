// The start buttons and the Write Pattern, Property and Update Firmware items
// of the main window: what each hands to the dialogs (operation, sides,
// volume), the questions for a missing file name, the shared file dialog
// and the refusal of the same file on both sides.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>

#include "devices/SCSIDEV.h"
#include "tests/fixtures/Images.h"
#include "tests/fixtures/ProgramBus.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/gui/MainWindowRun.h"

namespace {

const char* const kAskSource = "Source file is not specified.\r\nDo you wish to select a source file?";
const char* const kAskDestination = "Destination file is not specified.\r\nDo you wish to select a destination file?";
const char* const kSameFile = "Sorce file is same with destination file.";

// A disk, a DVD-ROM drive holding a real image, and the maker's writer.
class StartActionsTest : public testing::Test {
 protected:
  StartActionsTest()
      : bus_(R"({"id": 0, "model": "disk", "medium": {"kind": "image", "sectors": 64}},
                {"id": 2, "model": "dvd-rom", "medium": {"kind": "image", "path": "disc.iso"}},
                {"id": 4, "model": "qxw7100", "medium": {"kind": "dvd-r"}})") {
    disc_ = MakeGenisoImage(bus_.Dir().Path(), "disc.iso", "ON_DISC", 256 * 1024);
    image_ = MakeGenisoImage(bus_.Dir().Path(), "image.iso", "IN_FILE", 128 * 1024);
  }

  void Click(MainWindowRun& run, const char* name) { run.Get<QAbstractButton>(name)->click(); }
  std::string Edit(MainWindowRun& run, const char* name) { return run.Get<QLineEdit>(name)->text().toStdString(); }

  ScriptedUiGuard ui_;
  ProgramBus bus_;
  std::string disc_, image_;
};

}  // namespace

TEST_F(StartActionsTest, WritePageHandsTheCheckedVolumeAndTheSelectedWriterOver) {
  MainWindowRun run;
  run.Get<QComboBox>("CmbWrSrcScsi")->setCurrentIndex(1);  // (0,2,0)
  Click(run, "BtnWrite");
  ASSERT_EQ(run.dialogs.operations.size(), 1u);
  const OperationRequest& write = run.dialogs.operations[0];
  EXPECT_EQ(write.operation, Operation::TestOnly);
  EXPECT_FALSE(write.pattern);
  EXPECT_EQ(AddressOf(write.source.device), "0,2,0");
  EXPECT_EQ(AddressOf(write.destination.device), "0,4,0");
  EXPECT_EQ(write.volume.volumeName, "ON_DISC");
  EXPECT_EQ(write.volume.volumeSize, std::filesystem::file_size(disc_));
  EXPECT_EQ(write.volume.lbCount, std::filesystem::file_size(disc_) / 2048);

  // Verify from a file chosen with Browse.
  Click(run, "RadioWrSrcFile");
  ui_->ExpectFileDialog(image_);
  Click(run, "BtnWrSrcBrouse");
  EXPECT_EQ(Edit(run, "EditWrSrcFile"), image_);
  Click(run, "BtnWrVerify");
  ASSERT_EQ(run.dialogs.operations.size(), 2u);
  const OperationRequest& verify = run.dialogs.operations[1];
  EXPECT_EQ(verify.operation, Operation::VerifyDisc);
  EXPECT_EQ(verify.source.file, image_);
  EXPECT_EQ(AddressOf(verify.destination.device), "0,4,0");
  EXPECT_EQ(verify.volume.volumeName, "IN_FILE");
  EXPECT_EQ(verify.volume.volumeSize, std::filesystem::file_size(image_));
  ASSERT_EQ(ui_->FileDialogs().size(), 1u);
  EXPECT_EQ(ui_->FileDialogs()[0].title, "Select a source file");
  EXPECT_FALSE(ui_->FileDialogs()[0].save);
}

TEST_F(StartActionsTest, AMissingSourceFileIsAskedForAndNoOrCancelEndsSilently) {
  MainWindowRun run;
  Click(run, "RadioWrSrcFile");
  ui_.Expect(kAskSource, "Marrowlight", 0x24, ui::kIdNo);
  Click(run, "BtnWrite");
  // Yes, then a cancelled dialog with no earlier choice.
  ui_.Expect(kAskSource, "Marrowlight", 0x24, ui::kIdYes);
  ui_->ExpectFileDialog(std::nullopt);
  Click(run, "BtnWrite");
  EXPECT_EQ(run.dialogs.Count(), 0u);
  EXPECT_EQ(Edit(run, "EditWrSrcFile"), "");
  // Yes and a choice: the name goes into the edit and the write starts.
  ui_.Expect(kAskSource, "Marrowlight", 0x24, ui::kIdYes);
  ui_->ExpectFileDialog(image_);
  Click(run, "BtnWrite");
  EXPECT_EQ(Edit(run, "EditWrSrcFile"), image_);
  ASSERT_EQ(run.dialogs.operations.size(), 1u);
  EXPECT_EQ(run.dialogs.operations[0].source.file, image_);
  EXPECT_EQ(ui_->FileDialogs().back().title, "Select a source file");
}

TEST_F(StartActionsTest, CopyPageRefusesTheSameFileWrittenTheSameWayOnly) {
  MainWindowRun run;
  Click(run, "RadioCpSrcFile");
  Click(run, "RadioCpDstFile");
  run.Get<QLineEdit>("EditCpSrcFile")->setText(QString::fromStdString(image_));
  run.Get<QLineEdit>("EditCpDstFile")->setText(QString::fromStdString(image_));
  ui_.Expect(kSameFile, "Marrowlight", 0x10, ui::kIdOk);
  Click(run, "BtnCopy");
  EXPECT_EQ(run.dialogs.Count(), 0u);

  // Another spelling in letter case is another name here.
  std::string upper = bus_.Dir().File("IMAGE.ISO");
  run.Get<QLineEdit>("EditCpDstFile")->setText(QString::fromStdString(upper));
  Click(run, "BtnCpVerify");
  ASSERT_EQ(run.dialogs.operations.size(), 1u);
  EXPECT_EQ(run.dialogs.operations[0].operation, Operation::VerifyCopy);
  EXPECT_EQ(run.dialogs.operations[0].source.file, image_);
  EXPECT_EQ(run.dialogs.operations[0].destination.file, upper);
}

TEST_F(StartActionsTest, TheSharedDialogGivesACancelledDestinationTheSourcesName) {
  MainWindowRun run;
  Click(run, "RadioCpSrcFile");
  Click(run, "RadioCpDstFile");
  ui_->ExpectFileDialog(image_);
  Click(run, "BtnCpSrcBrouse");
  ui_.Expect(kAskDestination, "Marrowlight", 0x24, ui::kIdYes);
  ui_->ExpectFileDialog(std::nullopt);
  ui_.Expect(kSameFile, "Marrowlight", 0x10, ui::kIdOk);
  Click(run, "BtnCopy");
  EXPECT_EQ(Edit(run, "EditCpDstFile"), image_);
  EXPECT_EQ(run.dialogs.Count(), 0u);
  ASSERT_EQ(ui_->FileDialogs().size(), 2u);
  EXPECT_EQ(ui_->FileDialogs()[1].title, "Select a destination file");
  EXPECT_EQ(ui_->FileDialogs()[1].fileName, image_);
}

TEST_F(StartActionsTest, CopyPageBetweenDevicesAndOntoANewFile) {
  MainWindowRun run;
  run.Get<QComboBox>("CmbCpSrcScsi")->setCurrentIndex(1);  // (0,2,0)
  Click(run, "BtnCopy");
  // Device to device; then onto a file asked for after the check.
  Click(run, "RadioCpDstFile");
  std::string copy = bus_.Dir().File("copy.iso");
  ui_.Expect(kAskDestination, "Marrowlight", 0x24, ui::kIdYes);
  ui_->ExpectFileDialog(copy);
  Click(run, "BtnCpVerify");
  ASSERT_EQ(run.dialogs.operations.size(), 2u);
  const OperationRequest& toDisk = run.dialogs.operations[0];
  EXPECT_EQ(toDisk.operation, Operation::Copy);
  EXPECT_EQ(AddressOf(toDisk.source.device), "0,2,0");
  EXPECT_EQ(AddressOf(toDisk.destination.device), "0,0,0");
  EXPECT_EQ(toDisk.volume.volumeName, "ON_DISC");
  const OperationRequest& toFile = run.dialogs.operations[1];
  EXPECT_EQ(toFile.operation, Operation::VerifyCopy);
  EXPECT_EQ(toFile.destination.file, copy);
  EXPECT_EQ(Edit(run, "EditCpDstFile"), copy);
  // A destination may be a new file: the dialog is a save dialog.
  EXPECT_TRUE(ui_->FileDialogs()[0].save);
}

TEST_F(StartActionsTest, AFailedCheckOpensNoDialog) {
  MainWindowRun run;
  Click(run, "RadioWrSrcFile");
  std::string missing = bus_.Dir().File("missing.iso");
  run.Get<QLineEdit>("EditWrSrcFile")->setText(QString::fromStdString(missing));
  ui_.Expect("Open error: " + missing + " (No such file or directory)", "Error", 0x10, ui::kIdOk);
  Click(run, "BtnWrite");
  EXPECT_EQ(run.dialogs.Count(), 0u);
}

TEST_F(StartActionsTest, TheWritersItemsGetTheSelectedWriter) {
  MainWindowRun run;
  run.Get<QAction>("MenuWritePattern")->trigger();
  Click(run, "WrDevProperty");
  run.Get<QAction>("MenuUpdateFirmware")->trigger();
  ASSERT_EQ(run.dialogs.operations.size(), 1u);
  EXPECT_TRUE(run.dialogs.operations[0].pattern);
  EXPECT_EQ(run.dialogs.operations[0].operation, Operation::TestOnly);
  EXPECT_EQ(AddressOf(run.dialogs.operations[0].destination.device), "0,4,0");
  ASSERT_EQ(run.dialogs.properties.size(), 1u);
  EXPECT_EQ(AddressOf(run.dialogs.properties[0]), "0,4,0");
  ASSERT_EQ(run.dialogs.firmware.size(), 1u);
  EXPECT_EQ(run.dialogs.firmware[0].slot->get(), run.Form().SelectedWriter());
}

TEST_F(StartActionsTest, ReadScanTakesTheCopyPagesSelectedSourceDrive) {
  MainWindowRun run;
  ASSERT_TRUE(run.Get<QAction>("MenuReadScan")->isEnabled());
  run.Get<QComboBox>("CmbCpSrcScsi")->setCurrentIndex(1);
  // A file chosen as the copy source does not change which drive is scanned.
  Click(run, "RadioCpSrcFile");
  run.Get<QAction>("MenuReadScan")->trigger();
  ASSERT_EQ(run.dialogs.scans.size(), 1u);
  EXPECT_EQ(AddressOf(run.dialogs.scans[0]), "0,2,0");
  EXPECT_EQ(run.dialogs.Count(), 1u);
}

TEST_F(StartActionsTest, AWriterIsNoSourceForItself) {
  MainWindowRun run;
  run.Get<QComboBox>("CmbWrSrcScsi")->setCurrentIndex(2);  // (0,4,0), the selected writer too
  run.Get<QComboBox>("CmbWrDstScsi")->setCurrentIndex(0);
  ui_.Expect("Source device is same with destination device.", "Marrowlight", 0x10, ui::kIdOk);
  Click(run, "BtnWrVerify");
  EXPECT_EQ(run.dialogs.Count(), 0u);
}

TEST_F(StartActionsTest, SeveralWritersGetsTheCheckedSourceAndEveryWriterOfTheWritePage) {
  MainWindowRun run;
  run.Get<QComboBox>("CmbWrSrcScsi")->setCurrentIndex(1);  // (0,2,0)
  run.Get<QAction>("MenuSeveralWriters")->trigger();
  ASSERT_EQ(run.dialogs.several.size(), 1u);
  EXPECT_EQ(AddressOf(run.dialogs.several[0].source.device), "0,2,0");
  EXPECT_EQ(run.dialogs.several[0].volume.volumeName, "ON_DISC");
  ASSERT_EQ(run.dialogs.severalItems.size(), 1u);
  EXPECT_EQ(run.dialogs.severalItems[0], run.Get<QComboBox>("CmbWrDstScsi")->itemText(0).toStdString());
  EXPECT_EQ(run.dialogs.operations.size(), 0u);
}
