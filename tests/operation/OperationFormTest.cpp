// SPDX-License-Identifier: GPL-3.0-or-later
// What the operation dialog shows for a request and an operation, without a
// window: the five forms, their texts and lists, the progress rows with the
// dialog's height, the size texts and the hidden sector count. And the speed
// and time left of a pass from the percents it reports.
#include <gtest/gtest.h>

#include "devices/SCSIDEV.h"
#include "operation/OperationForm.h"
#include "operation/OperationProgress.h"
#include "operation/OperationTexts.h"
#include "tests/fixtures/CapturedLog.h"
#include "transfer/PassSpeed.h"

namespace {

using std::chrono::milliseconds;

// The resource layout of the tests: numbers apart from each other, so that
// a wrong field shows.
constexpr DialogLayout kSaved{400, 200, 290, 96, 76};

}  // namespace

TEST(OperationForm, EachStartCodeOpensItsFormAndList) {
  SCSIDEV source, writer, disk;
  struct Case {
    OperationRequest request;
    OperationFormKind kind;
    const char* caption;
    const char* group;
    const char* nameLabel;
    const char* sizeLabel;
    OperationFamily family;
    int selected;
  };
  auto request = [](Operation operation, Endpoint from, Endpoint to) {
    OperationRequest r;
    r.operation = operation;
    r.source = std::move(from);
    r.destination = std::move(to);
    return r;
  };
  const Case cases[] = {
      // The Write page's Write (84h) and Verify (81h) buttons.
      {request(Operation::TestOnly, "a.iso", writer), OperationFormKind::FileToScsi, "Write DVD image",
       "[Source Volume Information]", "Volume Name: ", "Voluem Size: ", OperationFamily::Write, 3},
      {request(Operation::VerifyDisc, source, writer), OperationFormKind::ScsiToScsi, "Write DVD image",
       "[Source Volume Information]", "Volume Name: ", "Voluem Size: ", OperationFamily::Write, 2},
      // The Copy page's Copy (08h) and Verify (01h) buttons.
      {request(Operation::Copy, source, disk), OperationFormKind::ScsiToScsi, "Copy DVD image",
       "[Source Volume Information]", "Volume Name: ", "Voluem Size: ", OperationFamily::Copy, 0},
      {request(Operation::Copy, source, "out.iso"), OperationFormKind::ScsiToFile, "Copy DVD image",
       "[Source Volume Information]", "Volume Name: ", "Voluem Size: ", OperationFamily::Copy, 0},
      {request(Operation::VerifyCopy, "a.iso", "b.iso"), OperationFormKind::FileToFile, "Copy DVD image",
       "[Source Volume Information]", "Volume Name: ", "Voluem Size: ", OperationFamily::Copy, 2},
      {request(Operation::Copy, "a.iso", disk), OperationFormKind::FileToScsi, "Copy DVD image",
       "[Source Volume Information]", "Volume Name: ", "Voluem Size: ", OperationFamily::Copy, 0},
      // The pattern (20h) opens on "Test Only".
      {OperationRequest::Pattern(Operation::TestOnly, writer), OperationFormKind::PatternWrite, "Write pattern",
       "[Writing Device Information]", "Device Name: ", "Writing Size: ", OperationFamily::Write, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption + std::string(" ") + FormHeading(c.kind));
    EXPECT_EQ(FormKindOf(c.request), c.kind);
    FormTexts texts = FormTextsOf(c.request);
    EXPECT_STREQ(texts.caption, c.caption);
    EXPECT_STREQ(texts.group, c.group);
    EXPECT_STREQ(texts.nameLabel, c.nameLabel);
    EXPECT_STREQ(texts.sizeLabel, c.sizeLabel);
    EXPECT_EQ(texts.family, c.family);
    EXPECT_EQ(texts.selected, c.selected);
  }
}

// A DVD+R takes no test write: its list leaves the test operations out and
// opens on "Write & Verify"; every other writer keeps the whole list.
TEST(OperationForm, AMediumWithoutTestWriteListsNoTests) {
  SCSIDEV writer;
  auto texts = [](const std::vector<OperationItem>& list) {
    std::string joined;
    for (const OperationItem& item : list) joined += std::string(item.text) + "|";
    return joined;
  };
  for (OperationRequest request : {OperationRequest::Pattern(Operation::TestOnly, writer), [&] {
         OperationRequest r;
         r.operation = Operation::TestOnly;
         r.source = Endpoint("a.iso");
         r.destination = Endpoint(writer);
         return r;
       }()}) {
    EXPECT_EQ(texts(OperationListFor(request)),
              "Write|Write & Verify|Verify|Test Only|Test & Write|Test & Write & Verify|");
    request.testWriteOffered = false;
    EXPECT_EQ(texts(OperationListFor(request)), "Write|Write & Verify|Verify|");
    EXPECT_EQ(FormTextsOf(request).selected, 1);
  }
}

TEST(OperationForm, RowsOfEveryOperationStackFromTheFirstRow) {
  struct Case {
    Operation operation;
    const char* writeCaption;
    int test, write, verify;  // tops, -1 for a hidden row
    int k;
  };
  // Test row at 200 in the write list, 176 in the copy list.
  const Case cases[] = {
      {Operation::Copy, " Copy", -1, 176, -1, 72},
      {Operation::CopyVerify, " Copy", -1, 176, 200, 48},
      {Operation::VerifyCopy, " Copy", -1, -1, 176, 72},
      {Operation::Write, " Write", -1, 200, -1, 48},
      {Operation::WriteVerify, " Write", -1, 200, 224, 24},
      {Operation::VerifyDisc, " Write", -1, -1, 200, 48},
      {Operation::TestOnly, " Write", 200, -1, -1, 48},
      {Operation::TestWrite, " Write", 200, 224, -1, 24},
      {Operation::TestWriteVerify, " Write", 200, 224, 248, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ItemOf(c.operation).text);
    ProgressLayout layout = LayOutProgressRows(kSaved, c.operation);
    EXPECT_STREQ(layout.writeCaption, c.writeCaption);
    EXPECT_EQ(layout.test.shown ? layout.test.top : -1, c.test);
    EXPECT_EQ(layout.write.shown ? layout.write.top : -1, c.write);
    EXPECT_EQ(layout.verify.shown ? layout.verify.top : -1, c.verify);
    EXPECT_EQ(layout.height, kSaved.height - c.k);
    EXPECT_EQ(layout.startTop, kSaved.startTop - c.k);
    bool copy = FamilyOf(c.operation) == OperationFamily::Copy;
    EXPECT_EQ(layout.settingsHeight, copy ? 72 : 96);
    EXPECT_EQ(layout.infoTop, copy ? 52 : 76);
  }
}

TEST(OperationForm, FormsWithoutTheirDevicesAreRefusedWithTheirHeadings) {
  CapturedLog log;
  SCSIDEV writer;
  OperationRequest noWriter;
  noWriter.operation = Operation::TestOnly;
  noWriter.source = Endpoint("a.iso");
  EXPECT_FALSE(CheckFormSides(noWriter));

  OperationRequest noSource;
  noSource.operation = Operation::Copy;
  noSource.destination = Endpoint("b.iso");
  EXPECT_FALSE(CheckFormSides(noSource));

  OperationRequest noPatternWriter;
  noPatternWriter.pattern = true;
  EXPECT_FALSE(CheckFormSides(noPatternWriter));

  OperationRequest files;
  files.operation = Operation::CopyVerify;
  files.source = Endpoint("a.iso");
  files.destination = Endpoint("b.iso");
  EXPECT_TRUE(CheckFormSides(files));
  EXPECT_TRUE(CheckFormSides(OperationRequest::Pattern(Operation::TestOnly, writer)));

  std::vector<std::string> entries = log.Entries();
  ASSERT_FALSE(entries.empty());
  entries.erase(entries.begin());  // the log's header
  EXPECT_EQ(entries, (std::vector<std::string>{
                               "[TWriteForm::SetParameters(File->Scsi)]",
                               "pDstDev is NULL",
                               "[TWriteForm::SetParameters(Scsi->File)]",
                               "[TWriteForm::SetParameters(Pattern Write)]",
                               "[TWriteForm::SetParameters(File->File)]",
                               "[TWriteForm::SetParameters(Pattern Write)]",
                           }));
}

TEST(OperationForm, SizeTextsAndTheSectorCountInBothBases) {
  EXPECT_EQ(VolumeSizeText(4'700'372'992ull, 2'295'104), "4,700,372,992 Bytes. (00230540H Sectors)");
  EXPECT_EQ(VolumeSizeText(0, 0), "0 Bytes. (00000000H Sectors)");
  EXPECT_EQ(WriteSizeText(0), "0 bytes.");
  EXPECT_EQ(WriteSizeText(2'097'152), "2,097,152 bytes.");

  SectorCountEdit edit;
  EXPECT_STREQ(edit.Label(), "DEC");
  edit.text = "4096";
  EXPECT_EQ(edit.Sectors(), 4096u);
  edit.ToggleBase();
  EXPECT_STREQ(edit.Label(), "HEX");
  EXPECT_STREQ(edit.Hint(), "in Hexadecimal");
  EXPECT_EQ(edit.text, "1000");
  EXPECT_EQ(edit.Sectors(), 4096u);
  edit.SetSectors(0x230540);
  EXPECT_EQ(edit.text, "230540");
  edit.ToggleBase();
  EXPECT_EQ(edit.text, "2295104");
  EXPECT_STREQ(edit.Hint(), "in Decimal");
  edit.text = "12X";
  EXPECT_EQ(edit.Sectors(), 0u);
}

TEST(PassSpeed, SpeedOverTheRecentWindowAndTheTimeLeft) {
  PassSpeed speed;
  PassSpeed::Clock::time_point t0{};
  EXPECT_EQ(speed.SpeedText(), "");
  speed.Progress(10, t0);  // no pass yet: ignored
  EXPECT_FALSE(speed.BytesPerSecond());

  // 4x DVD: 5,540,000 bytes per second; 1% of 554,000,000 bytes a second.
  speed.Begin(554'000'000, t0);
  EXPECT_EQ(speed.SpeedText(), "");
  EXPECT_EQ(speed.TimeLeftText(), "");
  for (int percent = 1; percent <= 10; ++percent) speed.Progress(percent, t0 + milliseconds(1000 * percent));
  ASSERT_TRUE(speed.BytesPerSecond());
  EXPECT_DOUBLE_EQ(*speed.BytesPerSecond(), 5'540'000.0);
  EXPECT_EQ(speed.SpeedText(), "Speed: 5.54 MB/s (4.0x)");
  EXPECT_EQ(speed.SecondsLeft(), 90);
  EXPECT_EQ(speed.TimeLeftText(), "Time left: 1:30");

  // The drive slows to half: the speed follows within the window, not the
  // average since the start.
  for (int percent = 11; percent <= 14; ++percent) speed.Progress(percent, t0 + milliseconds(10000 + 2000 * (percent - 10)));
  EXPECT_DOUBLE_EQ(*speed.BytesPerSecond(), 2'770'000.0);
  EXPECT_EQ(speed.TimeLeftText(), "Time left: 2:52");

  speed.Progress(100, t0 + milliseconds(60000));
  EXPECT_EQ(speed.SecondsLeft(), 0);
  EXPECT_EQ(speed.TimeLeftText(), "Time left: 0:00");

  // A long pass shows hours.
  speed.Begin(4'700'000'000ull, t0);
  speed.Progress(1, t0 + milliseconds(47000));
  EXPECT_EQ(speed.TimeLeftText(), "Time left: 1:17:33");
  speed.Clear();
  EXPECT_EQ(speed.SpeedText(), "");
}

TEST(OperationProgress, TheWholeOperationAcrossItsSteps) {
  using Clock = OperationProgress::Clock;
  const Clock::time_point start{};
  OperationProgress whole;
  whole.Begin(Operation::TestWriteVerify, start);
  EXPECT_EQ(whole.Steps(), 3);
  EXPECT_EQ(whole.Text(), "Overall: 0%");
  // Half the test pass after 10 s: a sixth of the whole, 50 s left.
  whole.Progress(0, 50, start + std::chrono::seconds(10));
  EXPECT_EQ(whole.Percent(), 16);
  EXPECT_EQ(whole.SecondsLeft(), 50);
  // The verify (phase 3) is the third step.
  whole.Progress(3, 50, start + std::chrono::seconds(50));
  EXPECT_EQ(whole.Percent(), 83);
  EXPECT_EQ(whole.Text(), "Overall: 83%   Time left: 0:10");
  whole.Progress(3, 100, start + std::chrono::seconds(60));
  EXPECT_EQ(whole.Percent(), 100);
  EXPECT_EQ(whole.SecondsLeft(), 0);

  // A copy has one step before its verify: the verify is the second.
  whole.Begin(Operation::CopyVerify, start);
  whole.Progress(3, 0, start);
  EXPECT_EQ(whole.Percent(), 50);
}

TEST(OperationTexts, DurationsSizesAndOutcomes) {
  EXPECT_EQ(DurationText(0), "0:00");
  EXPECT_EQ(DurationText(65.4), "1:05");
  EXPECT_EQ(DurationText(3723), "1:02:03");
  EXPECT_EQ(WriteModeSizesText(3'000'000, 2'097'152),
            "Volume: 3,000,000 bytes.  Disc: 2,097,152 bytes (the first 69% of the volume).");
  OperationOutcome done{OperationResult::Done, 0, "Operation done.\r\nThe disc holds only ...", 42, "", ""};
  EXPECT_EQ(OutcomeLine(done), "Operation done. The disc holds only ... Elapsed time: 0:42.");
  // A declined overwrite shows no box: its line says what became of it.
  EXPECT_EQ(OutcomeLine(OperationOutcome{OperationResult::Canceled, 0, "", 1, "", ""}), "Nothing was written. Elapsed time: 0:01.");
  EXPECT_EQ(OutcomeLine(OperationOutcome{OperationResult::ErrorShown, 0, "", 0, "", ""}),
            "The operation ended with an error. Elapsed time: 0:00.");
}
