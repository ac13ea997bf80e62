// SPDX-License-Identifier: GPL-3.0-or-later
// The "SCSI Manager" dialog: the choice the next start loads, kept in the
// settings; a library that does not exist is refused and nothing is saved.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <filesystem>

#include "base/ProgramIdentity.h"
#include "gui/ManagerSetting.h"
#include "gui/TFormManager.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/TempDir.h"

namespace {

// Chooses a text in the dialog and presses OK; true when the dialog took it.
bool Choose(TFormManager& form, const QString& text) {
  form.Refresh();
  form.show();
  form.findChild<QComboBox*>("CmbManager")->setCurrentText(text);
  form.findChild<QPushButton*>("BtnOK")->click();
  bool taken = form.result() == QDialog::Accepted && !form.isVisible();
  form.hide();
  form.setResult(0);
  return taken;
}

}  // namespace

TEST(FormManager, TheChoiceIsSavedForTheNextStartAndAMissingLibraryIsRefused) {
  ScriptedUiGuard ui;
  SaveManagerChoice("");
  TFormManager form;
  form.Refresh();
  EXPECT_EQ(form.findChild<QComboBox*>("CmbManager")->currentText(), "sim") << "nothing saved: the simulated bus";
  EXPECT_TRUE(form.findChild<QLabel*>("LabelManagerInUse")->text().startsWith("In use now: "));

  ASSERT_TRUE(Choose(form, "sg"));
  EXPECT_EQ(SavedManagerChoice(), "sg");
  form.Refresh();
  EXPECT_EQ(form.findChild<QComboBox*>("CmbManager")->currentText(), "sg");

  // A library path that exists is kept as typed (made absolute when loaded).
  TempDir dir;
  std::string library = dir.Write("libother-manager.so", "not loaded by this test");
  ASSERT_TRUE(Choose(form, QString::fromStdString(library)));
  EXPECT_EQ(SavedManagerChoice(), library);
  // A relative path is kept as the path it named when it was chosen.
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  const bool taken = Choose(form, "./libother-manager.so");
  std::filesystem::current_path(before);
  ASSERT_TRUE(taken);
  EXPECT_EQ(SavedManagerChoice(), library);

  ui.Expect("No SCSI manager library at /nowhere/libnone.so (choose sim, sg or the path of a manager library).",
            ProgramName, 0x10, 1);
  EXPECT_FALSE(Choose(form, "/nowhere/libnone.so"));
  EXPECT_EQ(SavedManagerChoice(), library) << "a refused choice changes nothing";

  // Choosing the simulated bus forgets the setting: the default runs.
  ASSERT_TRUE(Choose(form, "sim"));
  EXPECT_EQ(SavedManagerChoice(), "");
}
