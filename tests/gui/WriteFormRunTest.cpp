// The operation dialog running operations on the simulated bus, as a person
// drives it: a genisoimage volume recorded with test, write and verify;
// Cancel answered No and then Yes; a volume larger than the disc; the
// pattern, which has no size until "Change size..." gives it one; a copy
// between image files.
#include <gtest/gtest.h>

#include <regex>

#include "base/ProgramIdentity.h"
#include "gui/TWriteForm.h"
#include "scsi/BigEndian.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/Images.h"
#include "tests/fixtures/ProgramBus.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/TempDir.h"
#include "tests/gui/WriteFormSupport.h"
#include "tests/transfer/BusSupport.h"
#include "volume/CheckHeader.h"
#include "volume/VolSizeChoice.h"

using guitest::Child;

namespace {

constexpr unsigned kErrorBox = 0x10;
constexpr unsigned kInfoBox = 0x40;
constexpr unsigned kCancelQuestion = 0x124;  // Yes/No, question icon, No as default
constexpr uint32_t kDiscSectors = 8192;

class WriteFormRun : public ::testing::Test {
 protected:
  // A genisoimage volume of about 3 MB, checked as the main window checks it.
  OperationRequest ImageRequest(Operation operation, Endpoint destination) {
    image = MakeGenisoImage(dir.Path(), "volume.iso", "MARROW", 3'000'000);
    bytes = TempDir::Read(image);
    OperationRequest request;
    request.operation = operation;
    request.source = Endpoint(image);
    request.destination = std::move(destination);
    EXPECT_TRUE(CheckHeader(image, sizes, request.volume));
    EXPECT_EQ(request.volume.volumeSize, bytes.size());
    return request;
  }
  // Shows the dialog for the request until it closes; person acts meanwhile.
  void Show(const OperationRequest& request) {
    guitest::Record(form, record);
    guitest::Watchdog(form);
    form.ShowOperation(request);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.OperationRunning());
  }
  // The first steps of a person: the operation in the list, then Start.
  void ChooseAndStart(const char* operation) {
    person.ThenShown("WriteForm", [operation](QDialog& shown) {
      Child<QComboBox>(shown, "CmbWriteMode").setCurrentText(operation);
      Child<QPushButton>(shown, "BtnStart").click();
    });
  }
  // With the graph of its passes the dialog stays open after "Operation
  // done.": the person looks, then closes it.
  void CloseWhenDone() {
    person.Then([this] { return Ended(); }, [this] { Child<QPushButton>(form, "BtnCloseStop").click(); });
  }
  bool Ended() { return form.LastOutcome().has_value() && Child<QPushButton>(form, "BtnStart").isEnabled(); }
  OperationResult Result() const { return form.LastOutcome() ? form.LastOutcome()->result : OperationResult::Failed; }

  CapturedLog log;
  ScriptedUiGuard ui;
  TempDir dir;
  VolSizeChoice sizes;
  guitest::RunRecord record;  // outlives the dialog that reports into it
  TWriteForm form{sizes};
  guitest::Sequence person;
  std::string image, bytes;
};

}  // namespace

TEST_F(WriteFormRun, RecordsAnImageWithTestWriteAndVerify) {
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", kDiscSectors));
  auto writer = OpenDevice(4);
  OperationRequest request = ImageRequest(Operation::TestOnly, *writer);
  ChooseAndStart("Test & Write & Verify");
  // Once done, the graph is still there and "Save graph..." writes it.
  std::string png = dir.File("graph.png");
  bool openAfterDone = false;
  person.Then([this] { return Ended(); },
              [&] {
                openAfterDone = form.isVisible();
                Child<QPushButton>(form, "BtnSaveGraph").click();
              });
  CloseWhenDone();
  ui.Expect("Operation done.", ProgramName, kInfoBox, 1);
  ui->ExpectFileDialog(png);
  Show(request);

  EXPECT_TRUE(openAfterDone);
  ASSERT_EQ(form.Graph().Passes().size(), 3u);
  for (int phase : {0, 1, 3}) {
    const PassTrace& trace = form.Graph().Passes()[phase == 3 ? 2 : static_cast<size_t>(phase)];
    EXPECT_EQ(trace.phase, phase);
    EXPECT_TRUE(trace.ended);
    ASSERT_FALSE(trace.samples.empty());
    EXPECT_EQ(trace.samples.back().position, bytes.size()) << "the last sample at the end of the volume";
  }
  chart::SpeedChart graph = form.GraphChart();
  EXPECT_EQ(graph.title, "Write DVD image: Test & Write & Verify");
  EXPECT_EQ(graph.extent, bytes.size());
  EXPECT_EQ(TempDir::Read(png).substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  ASSERT_TRUE(form.LastOutcome());
  EXPECT_EQ(Result(), OperationResult::Done);
  EXPECT_EQ(form.LastOutcome()->differences, 0u);
  EXPECT_EQ(record.highest[0], 100);
  EXPECT_EQ(record.highest[1], 100);
  EXPECT_EQ(record.highest[2], 100);
  EXPECT_EQ(record.comments,
            (std::vector<std::string>{"Now test writing ...", "Now writing ...", "Now verifying ..."}));
  // Cancel is off during each leadout, the test's and the write's.
  EXPECT_EQ(record.cancelEnabled, (std::vector<bool>{false, true, false, true}));
  ASSERT_FALSE(record.speeds.empty());
  for (const std::string& speed : record.speeds)
    EXPECT_TRUE(std::regex_match(speed, std::regex(R"(Speed: \d+\.\d\d MB/s \(\d+\.\dx\))"))) << speed;
  ASSERT_FALSE(record.timesLeft.empty());
  EXPECT_TRUE(std::regex_match(record.timesLeft.back(), std::regex(R"(Time left: \d+:\d\d)")));
  EXPECT_EQ(ReadBack(*writer, bytes.size()), bytes);
  for (const char* line : {"[TWriteForm::SetParameters(File->Scsi)]", "[TWriteForm::BtnStartClick]",
                           "100% test written.", "100% real written.", "100% verified.", "[TWriteForm::FormClose]"})
    EXPECT_TRUE(log.Contains(line)) << line;
}

TEST_F(WriteFormRun, CancelAnsweredNoGoesOnAndYesEndsTheOperation) {
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", kDiscSectors));
  auto writer = OpenDevice(4);
  OperationRequest request = ImageRequest(Operation::TestOnly, *writer);
  ChooseAndStart("Write & Verify");
  bool askedInWrite = false, askedInVerify = false, runningAfterNo = false;
  record.onProgress = [&](int row, int value) {
    // Cancel is pressed while a progress row moves: the question comes while
    // the operation runs.
    if (row == 1 && value >= 30 && !askedInWrite) {
      askedInWrite = true;
      Child<QPushButton>(form, "BtnCloseStop").click();
    } else if (row == 2 && value >= 20 && !askedInVerify) {
      askedInVerify = true;
      runningAfterNo = form.OperationRunning() && form.isVisible();
      Child<QPushButton>(form, "BtnCloseStop").click();
    }
  };
  ui.Expect("Are you sure to cancel operation?", ProgramName, kCancelQuestion, ui::kIdNo);
  ui.Expect("Are you sure to cancel operation?", ProgramName, kCancelQuestion, ui::kIdYes);
  ui.Expect("Operation canceled.", ProgramName, kInfoBox, 1);
  Show(request);

  EXPECT_TRUE(runningAfterNo) << "No keeps the operation and the dialog";
  EXPECT_EQ(record.highest[1], 100);
  EXPECT_LT(record.highest[2], 100);
  EXPECT_EQ(Result(), OperationResult::Canceled);
  EXPECT_TRUE(log.Contains("Operation canceled by user instruction."));
  EXPECT_TRUE(log.Contains("[TWriteForm::FormClose]"));
  EXPECT_TRUE(TrayOpen(*writer)) << "the disc is given back after a cancel";
}

TEST_F(WriteFormRun, AVolumeLargerThanTheDiscIsWrittenUpToTheDiscSizeOnOk) {
  constexpr uint32_t kSmallDisc = 1024;  // 2 MiB
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", kSmallDisc));
  auto writer = OpenDevice(4);
  OperationRequest request = ImageRequest(Operation::TestOnly, *writer);
  ChooseAndStart("Write");
  person.ThenShown("WriteModeSelectForm", [](QDialog& shown) { Child<QPushButton>(shown, "BtnOK").click(); });
  CloseWhenDone();
  ui.Expect("Operation done.", ProgramName, kInfoBox, 1);
  Show(request);

  EXPECT_EQ(Result(), OperationResult::Done);
  EXPECT_TRUE(log.Contains("\r\n[Writing - Round Down Mode]"));
  EXPECT_TRUE(log.Contains("WriteSectors: 1024(400H)"));
  EXPECT_EQ(ReadBack(*writer, kSmallDisc * 2048ull), bytes.substr(0, kSmallDisc * 2048ull));
}

TEST_F(WriteFormRun, CancelWritingInTheWriteModeWindowWritesNothing) {
  constexpr uint32_t kSmallDisc = 1024;
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", kSmallDisc));
  auto writer = OpenDevice(4);
  OperationRequest request = ImageRequest(Operation::TestOnly, *writer);
  ChooseAndStart("Test & Write & Verify");
  person.ThenShown("WriteModeSelectForm",
                   [](QDialog& shown) { Child<QPushButton>(shown, "BtnCancel").click(); });
  ui.Expect("Operation canceled.", ProgramName, kInfoBox, 1);
  Show(request);

  EXPECT_EQ(Result(), OperationResult::Canceled);
  EXPECT_FALSE(log.Contains("WriteSectors:"));
  EXPECT_EQ(record.highest[0] + record.highest[1] + record.highest[2], 0);
  EXPECT_EQ(writer->GetFreeSize(), kSmallDisc * 2048ull) << "the disc is still blank";
}

TEST_F(WriteFormRun, ThePatternHasNoSizeUntilChangeSizeGivesIt) {
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", kDiscSectors));
  auto writer = OpenDevice(4);
  // An image form first: the pattern must not take its size.
  ASSERT_TRUE(form.SetParameters(ImageRequest(Operation::TestOnly, *writer)));
  ASSERT_TRUE(form.SetParameters(OperationRequest::Pattern(Operation::TestOnly, *writer)));
  EXPECT_EQ(form.windowTitle().toStdString(), "Write pattern");
  EXPECT_EQ(Child<QLineEdit>(form, "EditVolName").text().toStdString(), "HALVERN DVD-R QXW-7100    (Version 1.07)");
  EXPECT_EQ(Child<QLabel>(form, "LabelVolSize").text().toStdString(), "Writing Size: ");
  EXPECT_EQ(Child<QLineEdit>(form, "EditVolSize").text().toStdString(), "0 bytes.");
  EXPECT_EQ(form.VolumeSize(), 0u);

  std::string discCaption;
  bool manualChecked = false;
  person.ThenShown("WriteForm", [](QDialog& shown) { Child<QPushButton>(shown, "BtnStart").click(); })
      .Then([&] { return form.LastOutcome().has_value() && Child<QPushButton>(form, "BtnStart").isEnabled(); },
            [&] { Child<QPushButton>(form, "BtnChangeSize").click(); })
      .ThenShown("VolSizeForm",
                 [&](QDialog& shown) {
                   discCaption = Child<QRadioButton>(shown, "RadioMediaSize").text().toStdString();
                   manualChecked = Child<QRadioButton>(shown, "RadioManual").isChecked();
                   Child<QLineEdit>(shown, "EditBytes").setText("1048576");
                   Child<QPushButton>(shown, "ButtonOK").click();
                 })
      .Then([&] { return Child<QLineEdit>(form, "EditVolSize").text() == "1,048,576 Bytes. (00000200H Sectors)"; },
            [&] {
              Child<QComboBox>(form, "CmbWriteMode").setCurrentText("Test & Write & Verify");
              Child<QPushButton>(form, "BtnStart").click();
            });
  CloseWhenDone();
  ui.Expect("Number of write sectors is 0.", ProgramName, kErrorBox, 1);
  ui.Expect("Operation failed.", ProgramName, kErrorBox, 1);
  ui.Expect("Operation done.", ProgramName, kInfoBox, 1);
  guitest::Record(form, record);
  guitest::Watchdog(form);
  form.ShowModal();

  EXPECT_TRUE(person.Done());
  EXPECT_EQ(discCaption, "The disc size in the DVD-R drive (16,777,216 bytes.)");
  EXPECT_TRUE(manualChecked);
  EXPECT_EQ(Result(), OperationResult::Done);
  EXPECT_EQ(record.highest[0], 100);
  EXPECT_EQ(record.highest[1], 100);
  EXPECT_EQ(record.highest[2], 100);
  std::vector<chart::SeriesKind> kinds;
  for (const chart::Series& series : form.GraphChart().series) kinds.push_back(series.kind);
  EXPECT_EQ(kinds, (std::vector<chart::SeriesKind>{chart::SeriesKind::Test, chart::SeriesKind::Pattern,
                                                   chart::SeriesKind::Verify}));
  EXPECT_TRUE(log.Contains("[TWriteForm::SetParameters(Pattern Write)]"));
  EXPECT_TRUE(log.Contains("PatternWriteSectors: 512(200H)"));
  // Every word of the pattern holds its own position: sector 511 begins
  // with 511 and ends with 511 + 511.
  std::string disc = ReadBack(*writer, 512 * 2048);
  ASSERT_EQ(disc.size(), 512u * 2048);
  const auto* sector = reinterpret_cast<const uint8_t*>(disc.data()) + 511 * 2048;
  EXPECT_EQ(scsi::GetBE32(sector), 511u);
  EXPECT_EQ(scsi::GetBE32(sector + 2044), 1022u);
}

TEST_F(WriteFormRun, CopiesAndVerifiesBetweenImageFiles) {
  std::string copy = dir.File("copy.iso");
  OperationRequest request = ImageRequest(Operation::Copy, Endpoint(copy));
  ASSERT_TRUE(form.SetParameters(request));
  EXPECT_EQ(form.windowTitle().toStdString(), "Copy DVD image");
  ChooseAndStart("Copy & Verify");
  CloseWhenDone();
  ui.Expect("Operation done.", ProgramName, kInfoBox, 1);
  Show(request);

  EXPECT_EQ(Result(), OperationResult::Done);
  EXPECT_EQ(record.highest[0], 0) << "the copy list has no test row";
  EXPECT_EQ(record.highest[1], 100);
  EXPECT_EQ(record.highest[2], 100);
  EXPECT_EQ(record.comments, (std::vector<std::string>{"Now copying ...", "Now verifying ..."}));
  EXPECT_EQ(TempDir::Read(copy), bytes);
  EXPECT_TRUE(log.Contains("[TWriteForm::SetParameters(File->File)]"));
  EXPECT_TRUE(log.Contains("100% copied."));
}
