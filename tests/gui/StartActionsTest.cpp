// SPDX-License-Identifier: GPL-3.0-or-later
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
#include "records/RecordStore.h"
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
  // The destination chooser proposes a new name beside the source, with
  // the image filter.
  EXPECT_EQ(ui_->FileDialogs()[1].fileName, bus_.Dir().File("image-copy.iso"));
  EXPECT_EQ(ui_->FileDialogs()[1].filter, kImageFilter);
}

TEST_F(StartActionsTest, AnExistingDestinationIsAskedAboutOnceAndNoEndsWithThatBox) {
  MainWindowRun run;
  Click(run, "RadioCpSrcFile");
  Click(run, "RadioCpDstFile");
  run.Get<QLineEdit>("EditCpSrcFile")->setText(QString::fromStdString(image_));
  std::string existing = bus_.Dir().Write("old.iso", "old");
  const std::string question = existing + " already exists.\r\nDo you wish to overwrite it?";
  // No at the chooser: nothing chosen, no more boxes.
  ui_->ExpectFileDialog(existing);
  ui_.Expect(question, "Marrowlight", 0x124, ui::kIdNo);
  Click(run, "BtnCpDstBrouse");
  EXPECT_EQ(Edit(run, "EditCpDstFile"), "");
  // Yes at the chooser: the copy is told not to ask again.
  ui_->ExpectFileDialog(existing);
  ui_.Expect(question, "Marrowlight", 0x124, ui::kIdYes);
  Click(run, "BtnCpDstBrouse");
  Click(run, "BtnCopy");
  ASSERT_EQ(run.dialogs.operations.size(), 1u);
  EXPECT_EQ(run.dialogs.operations[0].destination.file, existing);
  EXPECT_TRUE(run.dialogs.operations[0].overwriteAgreed);
  // A name typed in is the copy's to ask about.
  std::string typed = bus_.Dir().Write("typed.iso", "old");
  run.Get<QLineEdit>("EditCpDstFile")->setText(QString::fromStdString(typed));
  Click(run, "BtnCopy");
  ASSERT_EQ(run.dialogs.operations.size(), 2u);
  EXPECT_FALSE(run.dialogs.operations[1].overwriteAgreed);
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

TEST_F(StartActionsTest, VerifyAgainstRecordTakesARecordFromTheFileDialogForTheSelectedWriter) {
  MainWindowRun run;
  ASSERT_TRUE(run.Get<QAction>("MenuVerifyRecord")->isEnabled());
  const std::string digest(64, 'a');
  const std::string good = bus_.Dir().Write(
      "good.json", R"({"format": "marrowlight-disc-record", "version": 1,
                       "source": {"kind": "file", "volume_name": "KEPT", "size": 4096, "sha256": ")" +
                       digest + "\"}}");
  const std::string bad = bus_.Dir().Write("bad.json", R"({"format": "marrowlight-disc-record", "version": 7})");

  // Cancelled, then a record that cannot be used, then a good one.
  ui_->ExpectFileDialog(std::nullopt);
  ui_->ExpectFileDialog(bad);
  ui_.Expect("The record " + bad + " cannot be used: It is a record of version 7; this program reads version 1.",
             "Marrowlight", 0x10, ui::kIdOk);
  ui_->ExpectFileDialog(good);
  for (int i = 0; i < 3; ++i) run.Get<QAction>("MenuVerifyRecord")->trigger();

  ASSERT_EQ(run.dialogs.operations.size(), 1u);
  const OperationRequest& verify = run.dialogs.operations[0];
  EXPECT_EQ(verify.operation, Operation::VerifyDisc);
  ASSERT_TRUE(verify.expected);
  EXPECT_EQ(verify.expected->sha256, digest);
  EXPECT_EQ(verify.expected->recordFile, good);
  EXPECT_EQ(verify.volume.volumeSize, 4096u);
  EXPECT_EQ(verify.volume.volumeName, "KEPT");
  EXPECT_EQ(AddressOf(verify.destination.device), "0,4,0");
  ASSERT_EQ(ui_->FileDialogs().size(), 3u);
  EXPECT_EQ(ui_->FileDialogs()[0].title, "Select a disc record");
  EXPECT_EQ(ui_->FileDialogs()[0].fileName, DefaultRecordsFolder() + "/");
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
