// SPDX-License-Identifier: GPL-3.0-or-later
// The operation dialog as a person sees it before anything runs: the form
// each start code opens, its list and preselection, the progress rows and
// the dialog's height, the volume texts, and "Change size..." with the
// "Volume Size" window.
#include <gtest/gtest.h>

#include <QGroupBox>

#include "devices/SCSIDEV.h"
#include "gui/TWriteForm.h"
#include "gui/TWriteModeSelectForm.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/gui/WriteFormSupport.h"
#include "volume/VolSizeChoice.h"

using guitest::Child;

namespace {

// The dialog's height with all three progress rows.
const int kFullHeight = WriteFormControls::Resource().height;

std::string Items(QComboBox& list) {
  std::string items;
  for (int i = 0; i < list.count(); ++i) items += (i ? "|" : "") + list.itemText(i).toStdString();
  return items;
}

std::string Text(QWidget& window, const char* name) {
  if (auto* edit = window.findChild<QLineEdit*>(name)) return edit->text().toStdString();
  if (auto* group = window.findChild<QGroupBox*>(name)) return group->title().toStdString();
  return Child<QLabel>(window, name).text().toStdString();
}

// "TWV" for the rows shown: Test, Write (or Copy), Verify.
std::string Rows(TWriteForm& form) {
  std::string rows;
  if (Child<QFrame>(form, "PanelProgTest").isVisibleTo(&form)) rows += "T";
  if (Child<QFrame>(form, "PanelProgWrite").isVisibleTo(&form)) rows += "W";
  if (Child<QFrame>(form, "PanelProgVerify").isVisibleTo(&form)) rows += "V";
  return rows;
}

OperationRequest Request(Operation operation, Endpoint source, Endpoint destination) {
  OperationRequest request;
  request.operation = operation;
  request.source = std::move(source);
  request.destination = std::move(destination);
  request.volume.volumeName = "MARROW";
  OverrideVolumeSize(request.volume, 4'700'372'992ull);
  return request;
}

}  // namespace

TEST(WriteForm, EachStartCodeOpensItsFormListRowsAndHeight) {
  CapturedLog log;
  VolSizeChoice sizes;
  TWriteForm form(sizes);
  SCSIDEV source, writer, disk;
  const std::string writeList = "Write|Write & Verify|Verify|Test Only|Test & Write|Test & Write & Verify";
  const std::string copyList = "Copy|Copy & Verify|Verify";
  struct Case {
    OperationRequest request;
    const char* caption;
    const std::string& list;
    const char* selected;
    const char* rows;
    int shorter;
    const char* writeRow;
  };
  const Case cases[] = {
      {Request(Operation::TestOnly, "a.iso", writer), "Write DVD image", writeList, "Test Only", "T", 48, " Write"},
      {Request(Operation::Copy, source, disk), "Copy DVD image", copyList, "Copy", "W", 72, " Copy"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption + std::string(" / ") + c.selected);
    ASSERT_TRUE(form.SetParameters(c.request));
    EXPECT_EQ(form.windowTitle().toStdString(), c.caption);
    EXPECT_EQ(Items(Child<QComboBox>(form, "CmbWriteMode")), c.list);
    EXPECT_EQ(Child<QComboBox>(form, "CmbWriteMode").currentText().toStdString(), c.selected);
    EXPECT_EQ(Rows(form), c.rows);
    EXPECT_EQ(form.height(), kFullHeight - c.shorter);
    EXPECT_EQ(Child<QFrame>(form, "PanelStart").y(), WriteFormControls::Resource().startTop - c.shorter);
    EXPECT_EQ(Child<QFrame>(form, "PanelProgWrite").findChild<QLabel*>()->text().toStdString(), c.writeRow);
    EXPECT_EQ(Text(form, "GroupVolumeInfo"), "[Source Volume Information]");
    EXPECT_EQ(Text(form, "LabelVolName"), "Volume Name: ");
    EXPECT_EQ(Text(form, "LabelVolSize"), "Voluem Size: ");
    EXPECT_EQ(Text(form, "EditVolName"), "MARROW");
    EXPECT_EQ(Text(form, "EditVolSize"), "4,700,372,992 Bytes. (00230540H Sectors)");
    EXPECT_EQ(form.VolumeSize(), 4'700'372'992ull);
  }

  // Switching the operation lays the rows out again; the full list restores
  // the full height with the rows 24 pixels apart.
  ASSERT_TRUE(form.SetParameters(Request(Operation::TestOnly, "a.iso", writer)));
  QComboBox& list = Child<QComboBox>(form, "CmbWriteMode");
  list.setCurrentText("Write");
  EXPECT_EQ(Rows(form), "W");
  EXPECT_EQ(form.height(), kFullHeight - 48);
  list.setCurrentText("Test & Write & Verify");
  EXPECT_EQ(Rows(form), "TWV");
  EXPECT_EQ(form.height(), kFullHeight);
  int testTop = Child<QFrame>(form, "PanelProgTest").y();
  EXPECT_EQ(testTop, WriteFormControls::Resource().testTop);
  EXPECT_EQ(Child<QFrame>(form, "PanelProgWrite").y(), testTop + 24);
  EXPECT_EQ(Child<QFrame>(form, "PanelProgVerify").y(), testTop + 48);

  // A form without its writer is refused and leaves the dialog as it was.
  OperationRequest noWriter = Request(Operation::TestOnly, "b.iso", Endpoint());
  EXPECT_FALSE(form.SetParameters(noWriter));
  EXPECT_EQ(list.currentText().toStdString(), "Test & Write & Verify");
  EXPECT_TRUE(log.Contains("[TWriteForm::SetParameters(File->Scsi)]"));
  EXPECT_TRUE(log.Contains("pDstDev is NULL"));
}

TEST(WriteForm, ChangeSizeTakesTheVolumeSizeWindowsChoice) {
  CapturedLog log;
  ScriptedUiGuard ui;
  VolSizeChoice sizes;
  // As the volume check of a 3,000,000-byte image file leaves the choice.
  sizes.SetVolumeSizes(VolSizeChoice::kAutomatic, true, false, 3'000'000, 2'500'000, 2'000'000);
  SCSIDEV writer;
  OperationRequest request = Request(Operation::TestOnly, "a.iso", writer);
  OverrideVolumeSize(request.volume, sizes.GetVolumeSize());
  TWriteForm form(sizes);
  ASSERT_TRUE(form.SetParameters(request));
  EXPECT_EQ(Text(form, "EditVolSize"), "3,000,000 Bytes. (000005B9H Sectors)");

  // Each pass: the radio to click, the text to type, OK or Cancel.
  struct Pass {
    const char* radio;
    const char* typed;
    bool ok;
    uint64_t size;
    const char* shown;
  };
  const Pass passes[] = {
      {"RadioManual", "100000H", true, 1'048'576, "1,048,576 Bytes. (00000200H Sectors)"},
      // Refused with a box; the window stays open until Cancel, the size stays.
      {"RadioManual", "12X", true, 1'048'576, "1,048,576 Bytes. (00000200H Sectors)"},
      {"RadioUDF", nullptr, false, 1'048'576, "1,048,576 Bytes. (00000200H Sectors)"},
      {"RadioUDF", nullptr, true, 2'500'000, "2,500,000 Bytes. (000004C5H Sectors)"},
  };
  for (const Pass& pass : passes) {
    SCOPED_TRACE(std::string(pass.radio) + " " + (pass.typed ? pass.typed : ""));
    bool manualEnabledBefore = true, manualEnabledAfter = false;
    std::string mediaCaption;
    guitest::Sequence person;
    person.ThenShown("VolSizeForm", [&](QDialog& window) {
      mediaCaption = Child<QRadioButton>(window, "RadioMediaSize").text().toStdString();
      EXPECT_FALSE(Child<QRadioButton>(window, "RadioISO").isChecked() &&
                   Child<QRadioButton>(window, "RadioUDF").isChecked());
      manualEnabledBefore = Child<QLineEdit>(window, "EditBytes").isEnabled() &&
                            !Child<QRadioButton>(window, "RadioManual").isChecked();
      Child<QRadioButton>(window, pass.radio).click();
      manualEnabledAfter = Child<QLineEdit>(window, "EditBytes").isEnabled();
      if (pass.typed) Child<QLineEdit>(window, "EditBytes").setText(pass.typed);
      const bool refused = pass.typed && std::string(pass.typed) == "12X";
      if (refused)
        ui.Expect("\"12X\" is not a number of bytes (whole bytes in decimal, 0 to 18446744073709551615, or in "
                  "hexadecimal ending in H, such as 100000H)",
                  "Marrowlight", ui::kIconError, ui::kIdOk);
      Child<QPushButton>(window, pass.ok ? "ButtonOK" : "ButtonCancel").click();
      if (refused) {
        EXPECT_TRUE(window.isVisible()) << "a refused size keeps the window open";
        Child<QPushButton>(window, "ButtonCancel").click();
      }
    });
    Child<QPushButton>(form, "BtnChangeSize").click();
    EXPECT_TRUE(person.Done());
    EXPECT_EQ(mediaCaption, "File size (3,000,000 bytes.)");
    EXPECT_FALSE(manualEnabledBefore) << "the byte field is for the manual choice only";
    EXPECT_EQ(manualEnabledAfter, std::string(pass.radio) == "RadioManual");
    EXPECT_EQ(form.VolumeSize(), pass.size);
    EXPECT_EQ(Text(form, "EditVolSize"), pass.shown);
    EXPECT_EQ(sizes.ChosenSize(), pass.size) << "Cancel brings back the size chosen before";
  }

  // The close box of the window is its Cancel.
  guitest::Sequence person;
  person.ThenShown("VolSizeForm", [](QDialog& window) {
    Child<QRadioButton>(window, "RadioMediaSize").click();
    window.close();
  });
  Child<QPushButton>(form, "BtnChangeSize").click();
  EXPECT_EQ(form.VolumeSize(), 2'500'000u);
  EXPECT_EQ(sizes.ChosenSize(), 2'500'000u);
}

TEST(WriteModeSelectForm, OkWritesUpToTheDiscAndCancelOrTheCloseBoxCancel) {
  TWriteModeSelectForm window;
  EXPECT_EQ(window.windowTitle().toStdString(), "Write Mode Select");
  EXPECT_EQ(Text(window, "LabelInfo1"), "Specified volume size is larger than the disc size.");
  EXPECT_EQ(Child<QPushButton>(window, "BtnCancel").text().toStdString(), "Cancel writing");
  const std::function<void(QDialog&)> answers[] = {
      [](QDialog& shown) { Child<QPushButton>(shown, "BtnOK").click(); },
      [](QDialog& shown) { Child<QPushButton>(shown, "BtnCancel").click(); },
      [](QDialog& shown) { shown.close(); },
  };
  const bool expected[] = {true, false, false};
  for (size_t i = 0; i < 3; ++i) {
    guitest::Sequence person;
    std::string sizes;
    bool cancelIsDefault = false;
    person.ThenShown("WriteModeSelectForm", [&, i](QDialog& shown) {
      sizes = Text(shown, "LabelSizes");
      cancelIsDefault = Child<QPushButton>(shown, "BtnCancel").isDefault() && !Child<QPushButton>(shown, "BtnOK").isDefault();
      answers[i](shown);
    });
    EXPECT_EQ(window.AskRoundDown(3'000'000, 2'097'152), expected[i]) << "answer " << i;
    EXPECT_EQ(sizes, "Volume: 3,000,000 bytes.  Disc: 2,097,152 bytes (the first 69% of the volume).");
    EXPECT_TRUE(cancelIsDefault) << "a stray Enter writes nothing";
  }
}
