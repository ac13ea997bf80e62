// SPDX-License-Identifier: GPL-3.0-or-later
// "Write to several writers" on the simulated bus, as a person drives it:
// three of four writers ticked, "Write & Verify" started, the slow one
// canceled with its own Cancel while the others record; each row ends with
// its writer's result and the ticked, uncanceled discs hold the image.
#include <gtest/gtest.h>

#include <QCheckBox>

#include "base/ProgramIdentity.h"
#include "base/TextFormat.h"
#include "gui/TSeveralWritersForm.h"
#include "tests/fixtures/BusSupport.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/Images.h"
#include "tests/fixtures/ProgramBus.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/TempDir.h"
#include "tests/gui/WriteFormSupport.h"
#include "volume/CheckHeader.h"
#include "volume/VolSizeChoice.h"

using guitest::Child;

TEST(SeveralWritersForm, RecordsOnTheTickedWritersAndCancelsOneOnItsOwn) {
  CapturedLog log;
  ScriptedUiGuard ui;
  TempDir dir;
  // 0,4,0 moves a 64 KiB step in about half a second on the tests' time
  // scale: it is still writing when its Cancel is pressed.
  std::string devices;
  for (int id = 3; id <= 6; ++id)
    devices += FormatText(R"(%s{"id": %d, "model": "qxw7100", "medium": {"kind": "dvd-r", "sectors": 4096}%s})",
                          id > 3 ? ", " : "", id, id == 4 ? R"(, "speed": 0.0001)" : "");
  ProgramBus bus(devices);
  std::vector<std::unique_ptr<SCSIDEV>> writers;
  std::vector<TSeveralWritersForm::Destination> destinations;
  for (uint8_t id = 3; id <= 6; ++id) {
    writers.push_back(OpenDevice(id));
    destinations.push_back({FormatText("(0,%d,0) HALVERN DVD-R QXW-7100", id), writers.back().get()});
  }
  OperationRequest source;
  source.source = Endpoint(MakeGenisoImage(dir.Path(), "volume.iso", "SEVERAL", 3'000'000));
  VolSizeChoice sizes;
  ASSERT_TRUE(CheckHeader(source.source.file, sizes, source.volume));
  const std::string bytes = TempDir::Read(source.source.file);

  TSeveralWritersForm form;
  form.SetParameters(source, destinations);
  ui.Expect("Are you sure to cancel operation?", ProgramName, 0x124, 6);
  ui.Expect("2 of 3 discs done.\r\n0,3,0: Operation done.\r\n0,4,0: Operation canceled.\r\n0,5,0: Operation done.",
            ProgramName, 0x30, 1);
  guitest::Sequence person;
  person
      .ThenShown("SeveralWritersForm",
                 [](QDialog& shown) {
                   for (const char* box : {"ChkBoxWriter0", "ChkBoxWriter1", "ChkBoxWriter2"})
                     Child<QCheckBox>(shown, box).setChecked(true);
                   Child<QComboBox>(shown, "CmbWriteMode").setCurrentText("Write & Verify");
                   Child<QPushButton>(shown, "BtnStart").click();
                 })
      .Then([&] { return Child<QProgressBar>(form, "ProgWriter1").value() > 0; },
            [&] { Child<QPushButton>(form, "BtnCancel1").click(); })
      .Then([&] { return !form.OperationRunning() && Child<QPushButton>(form, "BtnStart").isEnabled(); },
            [&] { Child<QPushButton>(form, "BtnClose").click(); });
  form.ShowModal();

  EXPECT_TRUE(person.Done());
  const char* results[] = {"Operation done.", "Operation canceled.", "Operation done.", ""};
  for (int row = 0; row < 4; ++row) {
    EXPECT_EQ(Child<QLabel>(form, FormatText("LabelResult%d", row).c_str()).text().toStdString(), results[row]) << row;
    EXPECT_FALSE(Child<QPushButton>(form, FormatText("BtnCancel%d", row).c_str()).isEnabled()) << row;
  }
  EXPECT_EQ(Child<QProgressBar>(form, "ProgWriter0").value(), 100);
  EXPECT_EQ(Child<QProgressBar>(form, "ProgWriter3").value(), 0);  // not ticked
  EXPECT_TRUE(Child<QLabel>(form, "LabelSpeed2").text().startsWith("Verify 100%"));
  EXPECT_EQ(ReadBack(*writers[0], bytes.size()), bytes);
  EXPECT_EQ(ReadBack(*writers[2], bytes.size()), bytes);
  EXPECT_EQ(writers[3]->GetFreeSize(), uint64_t{4096} * 2048);
}
