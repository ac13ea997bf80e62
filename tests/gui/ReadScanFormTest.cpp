// SPDX-License-Identifier: GPL-3.0-or-later
// The "Read Scan" window on the simulated bus, as a person drives it: Start
// scans a disc with ten unreadable sectors, the map marks them at their
// place, the summary names them, "Save graph..." writes a PNG, Close closes;
// and Cancel stops a scan held in a slow region, keeping what it found.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include "gui/SpeedChartView.h"
#include "gui/TReadScanForm.h"
#include "tests/fixtures/BusSupport.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/ProgramBus.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/TempDir.h"
#include "tests/gui/WriteFormSupport.h"

using guitest::Child;

namespace {

class ReadScanFormTest : public ::testing::Test {
 protected:
  std::string Text(const char* name) { return Child<QLabel>(form, name).text().toStdString(); }
  std::string Button(const char* name) { return Child<QPushButton>(form, name).text().toStdString(); }
  bool Ended() { return form.Report().ended && !form.ScanRunning(); }

  CapturedLog log;
  ScriptedUiGuard ui;
  TempDir dir;
  TReadScanForm form;
  guitest::Sequence person;
};

}  // namespace

TEST_F(ReadScanFormTest, MapsTheUnreadableSectorsAndSavesTheGraph) {
  std::string image = dir.Write("disc.img", std::string(2048 * 3000, 'x'));
  ProgramBus bus(ReaderJson(2, image, 0, SenseFault(0x28, "03/11/00", 1000, 1009)));
  auto drive = OpenDevice(2);
  std::string png = dir.File("map.png");
  bool startDisabledWhileRunning = false;
  person.ThenShown("ReadScanForm", [&](QDialog& shown) {
          EXPECT_EQ(shown.windowTitle(), "Read Scan");
          EXPECT_FALSE(Child<QPushButton>(shown, "BtnSaveGraph").isEnabled()) << "nothing to save yet";
          Child<QPushButton>(shown, "BtnStart").click();
          startDisabledWhileRunning = !Child<QPushButton>(shown, "BtnStart").isEnabled() && Button("BtnCloseStop") == "Cancel";
        })
      .Then([&] { return Ended(); }, [&] { Child<QPushButton>(form, "BtnSaveGraph").click(); })
      .Then([] { return true; }, [&] { Child<QPushButton>(form, "BtnCloseStop").click(); });
  ui->ExpectFileDialog(png);
  guitest::Watchdog(form);
  form.ShowScan(*drive);

  EXPECT_TRUE(person.Done());
  EXPECT_TRUE(startDisabledWhileRunning);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(Text("LabelDevice"), "Drive 0,2,0: ORBITEK DVD-ROM DR-160");
  EXPECT_EQ(form.Report().unreadable, (std::vector<BlockRange>{{1000, 10}}));
  EXPECT_EQ(form.Report().steps.size(), (3000u + 31) / 32) << "every step reached the window";
  const chart::SpeedChart& map = form.Graph().Chart();
  EXPECT_EQ(map.title, "Read scan of 0,2,0: ORBITEK DVD-ROM DR-160");
  EXPECT_EQ(map.extent, 3000u * 2048);
  ASSERT_FALSE(map.marks.empty());
  EXPECT_EQ(map.marks[0], (chart::Mark{chart::MarkKind::Unreadable, 1000u * 2048, 1010u * 2048}));
  EXPECT_NE(Text("LabelSummary").find("Unreadable sectors: 10 (1,000-1,009)\n"), std::string::npos)
      << Text("LabelSummary");
  EXPECT_EQ(Child<QProgressBar>(form, "ProgScan").value(), 100);
  EXPECT_EQ(Button("BtnCloseStop"), "Close");
  EXPECT_EQ(TempDir::Read(png).substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
}

TEST_F(ReadScanFormTest, CancelStopsTheScanAndKeepsWhatItFound) {
  std::string image = dir.Write("disc.img", std::string(2048 * 4096, 'x'));
  // From block 256 on every step takes half a second (at the tests' time
  // scale): the scan is still running when Cancel comes.
  ProgramBus bus(ReaderJson(2, image, 1, R"({"kind": "slow", "lba": [256, 4095], "factor": 10000})"));
  auto drive = OpenDevice(2);
  person.ThenShown("ReadScanForm", [](QDialog& shown) { Child<QPushButton>(shown, "BtnStart").click(); })
      .Then([&] { return form.Report().scannedBlocks >= 256; },
            [&] { Child<QPushButton>(form, "BtnCloseStop").click(); })
      .Then([&] { return Ended(); },
            [&] {
              EXPECT_TRUE(form.isVisible()) << "Cancel stops the scan, not the window";
              Child<QPushButton>(form, "BtnCloseStop").click();
            });
  guitest::Watchdog(form);
  form.ShowScan(*drive);

  EXPECT_TRUE(person.Done());
  EXPECT_TRUE(form.Report().canceled);
  EXPECT_LT(form.Report().scannedBlocks, 4096u);
  EXPECT_NE(Text("LabelSummary").find("Canceled after "), std::string::npos) << Text("LabelSummary");
  // 1x at the tests' time scale: as fast as the page can tell (65,535 kB/s).
  EXPECT_DOUBLE_EQ(form.Report().nominalBytesPerSecond, 65535000.0);
  EXPECT_EQ(form.Graph().Chart().levels.size(), 1u) << "the drive's rate as a line";
}
