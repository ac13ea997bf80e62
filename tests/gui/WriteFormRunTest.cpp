// SPDX-License-Identifier: GPL-3.0-or-later
// The operation dialog running operations on the simulated bus, as a person
// drives it: a genisoimage volume recorded with test, write and verify;
// Cancel answered No and then Yes; a volume larger than the disc; the
// pattern, which has no size until "Change size..." gives it one; a copy
// between image files; the digest in the result and the verify against a
// disc record.
#include <gtest/gtest.h>

#include <signal.h>

#include <QApplication>
#include <QMessageBox>
#include <algorithm>
#include <regex>

#include "app/StartActions.h"
#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "gui/QtUi.h"
#include "gui/TVolSizeForm.h"
#include "gui/TWriteForm.h"
#include "gui/TerminationWatch.h"
#include "host/os/Interrupt.h"
#include "scsi/BigEndian.h"
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

namespace {

// The visible Qt box whose text begins with this, or nothing.
QMessageBox* VisibleBox(const char* text) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* box = qobject_cast<QMessageBox*>(widget);
    if (box != nullptr && box->isVisible() && box->text().startsWith(text)) return box;
  }
  return nullptr;
}

constexpr unsigned kErrorBox = 0x10;
constexpr unsigned kInfoBox = 0x40;
constexpr unsigned kCancelQuestion = 0x124;  // Yes/No, question icon, No as default
constexpr uint32_t kDiscSectors = 8192;

// A writer fault that holds the disc's first READ(10) of a block until the
// file release exists.
// A gate on the command (28h READ, 2Ah WRITE) at block: it waits until the
// file release exists.
std::string Hold(const char* opcode, uint32_t block, const std::string& release) {
  return R"("faults": [{"kind": "gate", "opcode": ")" + std::string(opcode) + R"(", "lba": [)" +
         std::to_string(block) + ", " +
         std::to_string(block) + R"(], "first": 1, "until": ")" + release + R"("}])";
}

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
  bool startWasDefault = false;
  person.ThenShown("WriteForm", [&](QDialog& shown) {
    startWasDefault = Child<QPushButton>(shown, "BtnStart").isDefault();
    Child<QComboBox>(shown, "CmbWriteMode").setCurrentText("Test & Write & Verify");
    Child<QPushButton>(shown, "BtnStart").click();
  });
  // While it runs: the whole operation in the title and its own line, Enter
  // on Cancel.
  std::vector<std::string> titles, overall;
  bool cancelDefaultWhileRunning = true;
  record.onProgress = [&](int, int) {
    titles.push_back(form.windowTitle().toStdString());
    overall.push_back(Child<QLabel>(form, "LabelOverall").text().toStdString());
    cancelDefaultWhileRunning = cancelDefaultWhileRunning && Child<QPushButton>(form, "BtnCloseStop").isDefault();
  };
  // Once done, the graph is still there and "Save graph..." writes it.
  std::string png = dir.File("graph.png");
  bool openAfterDone = false;
  person.Then([this] { return Ended(); },
              [&] {
                openAfterDone = form.isVisible();
                Child<QPushButton>(form, "BtnSaveGraph").click();
              });
  CloseWhenDone();
  ui.Expect(DoneWithDigest(Sha256sum(image)), ProgramName, kInfoBox, 1);
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

  EXPECT_TRUE(startWasDefault) << "Enter starts an operation that is not running";
  EXPECT_TRUE(cancelDefaultWhileRunning);
  EXPECT_TRUE(std::any_of(titles.begin(), titles.end(),
                          [](const std::string& t) { return std::regex_match(t, std::regex(R"([1-9]\d*% - Write DVD image)")); }));
  EXPECT_TRUE(std::any_of(overall.begin(), overall.end(), [](const std::string& t) {
    return std::regex_match(t, std::regex(R"(Overall: [1-9]\d*%   Time left: \d+:\d\d)"));
  }));
  EXPECT_EQ(form.windowTitle().toStdString(), "Write DVD image");
  ASSERT_TRUE(form.LastOutcome());
  EXPECT_EQ(form.LastOutcome()->text, DoneWithDigest(Sha256sum(image)));
  EXPECT_TRUE(log.Contains("Elapsed time: "));

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
  // The verify is held at its read of block 800 (about half the volume)
  // until both questions have been answered: the operation cannot end
  // under them, however slowly the test runs.
  const std::string release = dir.File("release");
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", kDiscSectors, Hold("28h", 800, release)));
  auto writer = OpenDevice(4);
  OperationRequest request = ImageRequest(Operation::TestOnly, *writer);
  ChooseAndStart("Write & Verify");
  person.Then([&] { return ui->Shown().size() >= 2; }, [&] { dir.Write("release", ""); });
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

// The cancel question, still open when the operation ends under it, is taken
// away before the result box: real Qt boxes, driven as a person would.
TEST_F(WriteFormRun, TheCancelQuestionGoesAwayWhenTheOperationEndsUnderIt) {
  const std::string release = dir.File("release");
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", kDiscSectors, Hold("28h", 800, release)));
  auto writer = OpenDevice(4);
  OperationRequest request = ImageRequest(Operation::TestOnly, *writer);
  gui::QtUi boxes;
  ui::ScopedBackend real(boxes);
  ChooseAndStart("Write & Verify");
  bool pressed = false;
  record.onProgress = [&](int row, int value) {
    if (row == 2 && value >= 20 && !pressed) {
      pressed = true;
      Child<QPushButton>(form, "BtnCloseStop").click();
    }
  };
  bool questionGone = false;
  person.Then([] { return VisibleBox("Are you sure to cancel operation?") != nullptr; },
              [&] { dir.Write("release", ""); })
      .Then([] { return VisibleBox("Operation done.") != nullptr; },
            [&] {
              questionGone = VisibleBox("Are you sure to cancel operation?") == nullptr;
              VisibleBox("Operation done.")->button(QMessageBox::Ok)->click();
            });
  CloseWhenDone();
  Show(request);
  EXPECT_TRUE(questionGone) << "the question was left over the result";
  EXPECT_EQ(Result(), OperationResult::Done);
  EXPECT_EQ(record.highest[2], 100);
}

// A verify that finds differences is no success: a warning box says how
// many steps differ, and the dialog stays open with it on its status line.
TEST_F(WriteFormRun, AVerifyWithDifferencesSaysSoAndStaysOpen) {
  OperationRequest request = ImageRequest(Operation::VerifyCopy, Endpoint(dir.File("other.iso")));
  std::string other = bytes;
  other[100000] ^= 0x01;
  dir.Write("other.iso", other);
  ChooseAndStart("Verify");
  std::string status;
  person.Then([&] { return form.LastOutcome().has_value() && form.isVisible(); },
              [&] {
                status = Child<QLabel>(form, "LabelComment").text().toStdString();
                Child<QPushButton>(form, "BtnCloseStop").click();
              });
  ui.Expect("Verify: Data are different at 65,536 ~ 131,072 bytes.\r\nDo you wish to quit verifying?", ProgramName,
            0x14, ui::kIdNo);
  const std::string found = "Verify found differences: 1 differing steps.\r\nThe log names where the data differ.";
  ui.Expect(found, ProgramName, 0x30, 1);
  Show(request);
  EXPECT_EQ(Result(), OperationResult::Differences);
  EXPECT_TRUE(std::regex_match(status, std::regex("Verify found differences: 1 differing steps\\. The log names where "
                                                  "the data differ\\. Elapsed time: \\d+:\\d\\d\\.")))
      << status;
}

TEST_F(WriteFormRun, AVolumeLargerThanTheDiscIsWrittenUpToTheDiscSizeOnOk) {
  constexpr uint32_t kSmallDisc = 1024;  // 2 MiB
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", kSmallDisc));
  auto writer = OpenDevice(4);
  OperationRequest request = ImageRequest(Operation::TestOnly, *writer);
  ChooseAndStart("Write");
  std::string sizes;
  person.ThenShown("WriteModeSelectForm", [&](QDialog& shown) {
    sizes = Child<QLabel>(shown, "LabelSizes").text().toStdString();
    Child<QPushButton>(shown, "BtnOK").click();
  });
  CloseWhenDone();
  ui.Expect("Operation done.\r\nThe disc holds only the first 2,097,152 bytes of the volume of " +
                FormatNumber(bytes.size()) + " bytes (" + std::to_string(2097152 * 100 / bytes.size()) +
                "%); the rest was not written.\r\nSHA-256 of the part written: " +
                Sha256Of(bytes.substr(0, kSmallDisc * 2048ull)),
            ProgramName, 0x30, 1);
  Show(request);
  EXPECT_EQ(sizes, "Volume: " + FormatNumber(bytes.size()) + " bytes.  Disc: 2,097,152 bytes (the first " +
                       std::to_string(2097152 * 100 / bytes.size()) + "% of the volume).");

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
  ui.Expect("Number of write sectors is 0.\r\nChoose a size with \"Change size...\" first.", ProgramName, kErrorBox,
            1);
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

TEST_F(WriteFormRun, ChangeSizeWithoutADiscSaysSoInsteadOfASizeOfZero) {
  ProgramBus bus(R"({"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "none"}})");
  auto writer = OpenDevice(4);
  ASSERT_TRUE(form.SetParameters(OperationRequest::Pattern(Operation::TestOnly, *writer)));
  guitest::Watchdog(form.VolSizeForm());  // a size window would be the fault
  ui.Expect("There is no disc in 0,4,0 (HALVERN DVD-R QXW-7100). Insert a disc and try again.", ProgramName,
            kErrorBox, 1);
  Child<QPushButton>(form, "BtnChangeSize").click();
  EXPECT_EQ(form.VolumeSize(), 0u);
}

TEST_F(WriteFormRun, CopiesAndVerifiesBetweenImageFiles) {
  std::string copy = dir.File("copy.iso");
  OperationRequest request = ImageRequest(Operation::Copy, Endpoint(copy));
  ASSERT_TRUE(form.SetParameters(request));
  EXPECT_EQ(form.windowTitle().toStdString(), "Copy DVD image");
  ChooseAndStart("Copy & Verify");
  CloseWhenDone();
  ui.Expect(DoneWithDigest(Sha256sum(image)), ProgramName, kInfoBox, 1);
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

// SIGTERM (a logout, `kill`) while a pass runs: the operation is canceled as
// its Cancel button does, without the question, the disc is given back, and
// the program ends. Without the watch the signal would end the test itself.
TEST_F(WriteFormRun, ASignalCancelsTheRunningOperationAndEndsTheProgram) {
  // The write is held at block 800 (about half the volume) until the signal
  // has been taken.
  const std::string release = dir.File("release");
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", kDiscSectors, Hold("2Ah", 800, release)));
  auto writer = OpenDevice(4);
  OperationRequest request = ImageRequest(Operation::TestOnly, *writer);
  struct FormTargets : QuitTargets {
    explicit FormTargets(TWriteForm& form) : form(form) {}
    void StopForQuit() override { form.StopForQuit(); }
    bool Runs(const QWidget& window) const override { return &window == &form; }
    TWriteForm& form;
  } targets(form);
  bool ended = false, runningAtTheEnd = true;
  TerminationWatch watch(targets, [&] {
    ended = true;
    runningAtTheEnd = form.OperationRunning();
    form.reject();
  });
  ChooseAndStart("Write & Verify");
  bool raised = false;
  record.onProgress = [&](int row, int value) {
    if (row == 1 && value >= 30 && !raised) {
      raised = true;
      ::raise(SIGTERM);
    }
  };
  person.Then([&] { return log.Contains("[Marrowlight] A signal ends the program"); },
              [&] { dir.Write("release", ""); });
  ui.Expect("Operation canceled.", ProgramName, kInfoBox, 1);
  Show(request);
  host::ClearInterrupt();

  EXPECT_TRUE(ended);
  EXPECT_FALSE(runningAtTheEnd) << "the program ends only after the operation";
  EXPECT_EQ(Result(), OperationResult::Canceled);
  EXPECT_LT(record.highest[1], 100);
  EXPECT_EQ(record.highest[2], 0) << "nothing starts after the canceled pass";
  EXPECT_TRUE(TrayOpen(*writer)) << "the disc is unlocked and given back";
  EXPECT_TRUE(log.Contains("[Marrowlight] A signal ends the program: the running operation is canceled first."));
  EXPECT_TRUE(log.Contains("Operation canceled by user instruction."));
}

TEST_F(WriteFormRun, ShowsTheDigestInTheResultAndVerifiesTheDiscAgainstItsRecord) {
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", kDiscSectors));
  auto writer = OpenDevice(4);
  OperationRequest request = ImageRequest(Operation::TestOnly, *writer);
  const std::string sha256 = Sha256sum(image);
  ChooseAndStart("Write");
  CloseWhenDone();
  ui.Expect(DoneWithDigest(sha256), ProgramName, kInfoBox, 1);
  Show(request);
  ASSERT_TRUE(form.LastOutcome());
  EXPECT_EQ(form.LastOutcome()->sha256, sha256);
  const std::string recordFile = form.LastOutcome()->recordFile;
  ASSERT_FALSE(recordFile.empty());
  EXPECT_TRUE(log.Contains("Disc record: " + recordFile));
  // The graph is kept beside the record, under its name.
  const std::string graph = recordFile.substr(0, recordFile.size() - 5) + ".png";
  EXPECT_EQ(TempDir::Read(graph).substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8)) << graph;

  // The record chosen in the file dialog: the dialog offers its verify
  // alone, at the recorded size, and reads the disc against its digest.
  ui->ExpectFileDialog(recordFile);
  std::optional<OperationRequest> verify = StartActions::VerifyAgainstRecord(writer.get());
  ASSERT_TRUE(verify);
  ASSERT_TRUE(form.SetParameters(*verify));
  EXPECT_EQ(form.windowTitle().toStdString(), "Verify against record");
  QComboBox& list = Child<QComboBox>(form, "CmbWriteMode");
  ASSERT_EQ(list.count(), 1);
  EXPECT_EQ(list.itemText(0).toStdString(), "Verify");
  EXPECT_EQ(Child<QLineEdit>(form, "EditVolName").text().toStdString(), "MARROW");
  EXPECT_EQ(form.VolumeSize(), bytes.size());
  bool changeSizeOff = false;
  person.ThenShown("WriteForm", [&](QDialog& shown) {
    changeSizeOff = !Child<QPushButton>(shown, "BtnChangeSize").isEnabled();
    Child<QPushButton>(shown, "BtnStart").click();
  });
  CloseWhenDone();
  ui.Expect(DoneWithDigest(sha256), ProgramName, kInfoBox, 1);
  Show(*verify);

  EXPECT_TRUE(changeSizeOff) << "the record fixes the size";
  EXPECT_EQ(Result(), OperationResult::Done);
  EXPECT_EQ(form.LastOutcome()->differences, 0u);
  EXPECT_EQ(record.highest[2], 100);
  EXPECT_TRUE(log.Contains("[TWriteForm::SetParameters(Record->Scsi)]"));
  EXPECT_TRUE(log.Contains("Verify: The SHA-256 of the disc's volume is the recorded one."));
}
