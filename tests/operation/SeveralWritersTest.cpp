// SPDX-License-Identifier: GPL-3.0-or-later
// One volume onto several writers at once, on the simulated bus: N = 1..4
// writers each hold the image afterwards with the source read once per
// pass; a failing writer fails alone; the write mode question comes once,
// for the smallest disc; a writer canceled on its own leaves the others
// going. And the shared pass itself: a seat a whole window behind reads the
// source on its own.
#include <gtest/gtest.h>

#include <bit>
#include <map>
#include <mutex>
#include <set>

#include "base/ProgramIdentity.h"
#include "base/TextFormat.h"
#include "devices/SCSIDEV.h"
#include "operation/SeveralWriters.h"
#include "tests/fixtures/BusSupport.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/ProgramBus.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/TempDir.h"
#include "tests/transfer/TransferData.h"
#include "transfer/SharedPass.h"
#include "transfer/SourceFeed.h"

namespace {

constexpr unsigned kErrorBox = 0x10;
constexpr unsigned kInfoBox = 0x40;
constexpr uint64_t kVolume = 3'000'000;
constexpr uint32_t kDiscSectors = 4096;
constexpr uint8_t kFirstId = 3;

// A writer at 0:id:0, the maker's two models in turn; extra: further JSON
// members ("faults", "speed").
std::string Writer(uint8_t id, uint32_t sectors = kDiscSectors, const std::string& extra = "") {
  const bool older = id % 2 != 0;
  std::string json = FormatText(R"({"id": %d, "model": "%s", "revision": "%s", "medium": {"kind": "%s", "sectors": %u})",
                                id, older ? "qxw7100" : "qxw7200", older ? "1.07" : "2.10", older ? "dvd-r" : "dvd-rw",
                                sectors);
  return json + (extra.empty() ? "" : ", " + extra) + "}";
}

std::string Writers(size_t count) {
  std::string json;
  for (size_t i = 0; i < count; ++i) json += (i ? ", " : "") + Writer(static_cast<uint8_t>(kFirstId + i));
  return json;
}

class RecordingDialog : public SeveralWritersDialog {
 public:
  void ShowWriterProgress(size_t writer, int phase, int percent, const PassProgress& report) override {
    {
      std::lock_guard lock(mutex_);
      reportedWriters[writer].insert(report.writer.id);
      lastPercent[{writer, phase}] = percent;
    }
    if (onProgress) onProgress(writer, phase, percent);
  }
  void WriterComment(size_t writer, const std::string& text) override {
    std::lock_guard lock(mutex_);
    comments[writer].push_back(text);
  }
  void EnableWriterCancel(size_t, bool) override {}
  bool AskWriteMode(uint64_t volumeBytes, uint64_t discBytes) override {
    ++writeModeAsked;
    askedSizes = {volumeBytes, discBytes};
    return true;
  }
  void WriterEnded(size_t writer, const WriterOutcome& outcome) override { ended[writer] = outcome; }
  void AllEnded(const std::vector<WriterOutcome>& outcomes) override {
    ++allEnded;
    final = outcomes;
  }

  int LastPercent(size_t writer, int phase) { return lastPercent[{writer, phase}]; }

  std::function<void(size_t, int, int)> onProgress;
  std::map<size_t, std::set<uint8_t>> reportedWriters;  // target ids in each writer's reports
  std::map<std::pair<size_t, int>, int> lastPercent;
  std::map<size_t, std::vector<std::string>> comments;
  std::map<size_t, WriterOutcome> ended;
  std::vector<WriterOutcome> final;
  int writeModeAsked = 0;
  std::pair<uint64_t, uint64_t> askedSizes;  // the volume and the smallest disc
  int allEnded = 0;

 private:
  std::mutex mutex_;
};

class SeveralWritersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data = VolumeBytes(kVolume, 23);
    image = dir.Write("volume.iso", data);
  }
  // Opens writers 0:3:0 .. and runs code from the image onto them.
  void Run(ProgramBus&, size_t count, uint16_t code, uint64_t volume = kVolume) {
    for (size_t i = 0; i < count; ++i) writers.push_back(OpenDevice(static_cast<uint8_t>(kFirstId + i)));
    SeveralWritersRequest request;
    request.operation = OperationFromCode(code).value();
    request.source = Endpoint(image);
    request.volume.volumeSize = volume;
    for (auto& writer : writers) request.writers.push_back(writer.get());
    operation = std::make_unique<SeveralWriters>(*dialog, request);
    ASSERT_TRUE(operation->Start());
    operation->WaitFor();
  }
  static std::string Summary(size_t done, const std::vector<std::string>& lines) {
    std::string text = FormatText("%zu of %zu discs done.", done, lines.size());
    for (const std::string& line : lines) text += "\r\n" + line;
    return text;
  }

  CapturedLog log;
  ScriptedUiGuard ui;
  TempDir dir;
  std::unique_ptr<RecordingDialog> dialog = std::make_unique<RecordingDialog>();
  std::string data, image;
  std::vector<std::unique_ptr<SCSIDEV>> writers;
  std::unique_ptr<SeveralWriters> operation;
};

}  // namespace

TEST_F(SeveralWritersTest, OneToFourWritersEachHoldTheImageAndTheSourceIsReadOncePerPass) {
  // (writers, operation code): write and verify, once with the test write.
  for (auto [count, code] : {std::pair<size_t, uint16_t>{1, 0x83}, {2, 0x87}, {3, 0x83}, {4, 0x83}}) {
    SCOPED_TRACE(FormatText("%zu writers, code %02Xh", count, code));
    ProgramBus bus(Writers(count));
    std::vector<std::string> lines;
    for (size_t i = 0; i < count; ++i) lines.push_back(FormatText("0,%zu,0: Operation done.", kFirstId + i));
    ui.Expect(Summary(count, lines), ProgramName, kInfoBox, 1);
    dialog = std::make_unique<RecordingDialog>();
    Run(bus, count, code);

    const int passes = std::popcount(static_cast<unsigned>(code & 0x07));
    EXPECT_EQ(operation->SourceBytesRead(), passes * kVolume) << log.Text();
    EXPECT_EQ(dialog->allEnded, 1);
    ASSERT_EQ(dialog->final.size(), count);
    for (size_t i = 0; i < count; ++i) {
      EXPECT_EQ(dialog->final[i].outcome.result, OperationResult::Done);
      EXPECT_EQ(dialog->ended[i].writer, FormatText("0,%zu,0", kFirstId + i));
      // Each row hears of its own writer only.
      EXPECT_EQ(dialog->reportedWriters[i], std::set<uint8_t>{static_cast<uint8_t>(kFirstId + i)});
      EXPECT_EQ(dialog->LastPercent(i, 3), 100);
      EXPECT_EQ(ReadBack(*writers[i], kVolume), data) << "writer " << i;
    }
    EXPECT_EQ(dialog->writeModeAsked, 0);
    operation.reset();
    writers.clear();
  }
}

TEST_F(SeveralWritersTest, AFailingWriterFailsAloneAndTheOthersHoldTheImage) {
  ProgramBus bus(Writer(3) + ", " + Writer(4, kDiscSectors, R"("faults": [)" + SenseFault(0x2A, "03/0C/00", 100, 199) + "]") +
                 ", " + Writer(5));
  writers.push_back(OpenDevice(3));
  writers.push_back(OpenDevice(4));
  writers.push_back(OpenDevice(5));
  ui.Expect(ErrorReport(*writers[1], "(2AH) Write 10", 0x60, "3-0C-00", "Medium Error: Write error."),
            "Error Information", kErrorBox, 1);
  ui.Expect("Writing failed.", std::string(ProgramName) + " - 0,4,0", kErrorBox, 1);
  ui.Expect(Summary(2, {"0,3,0: Operation done.", "0,4,0: Operation failed.", "0,5,0: Operation done."}),
            ProgramName, kErrorBox, 1);
  SeveralWritersRequest request{Operation::WriteVerify, Endpoint(image), {}, {}};
  request.volume.volumeSize = kVolume;
  for (auto& writer : writers) request.writers.push_back(writer.get());
  SeveralWriters several(*dialog, request);
  ASSERT_TRUE(several.Start());
  several.WaitFor();

  EXPECT_EQ(dialog->final[1].outcome.result, OperationResult::Failed);
  EXPECT_TRUE(TrayOpen(*writers[1]));  // unlocked and ejected
  EXPECT_EQ(ReadBack(*writers[0], kVolume), data);
  EXPECT_EQ(ReadBack(*writers[2], kVolume), data);
  // The verify pass was shared by the two that got there.
  EXPECT_TRUE(log.Contains("[SeveralWriters] 0,4,0: Operation failed."));
}

TEST_F(SeveralWritersTest, TheWriteModeQuestionComesOnceForTheSmallestDisc) {
  constexpr uint32_t kSmall = 1024;  // 2 MiB, less than the volume
  ProgramBus bus(Writer(3) + ", " + Writer(4, kSmall));
  ui.Expect(Summary(2, {"0,3,0: Operation done.", "0,4,0: Operation done."}), ProgramName, kInfoBox, 1);
  Run(bus, 2, 0x83);
  EXPECT_EQ(dialog->writeModeAsked, 1);
  const uint64_t held = uint64_t{kSmall} * 2048;
  EXPECT_EQ(dialog->askedSizes, std::make_pair(uint64_t{kVolume}, held));
  // Both discs hold the same bytes: what the smaller one can.
  EXPECT_EQ(ReadBack(*writers[0], held), data.substr(0, held));
  EXPECT_EQ(ReadBack(*writers[1], held), data.substr(0, held));
}

TEST_F(SeveralWritersTest, AWriterCanceledOnItsOwnLeavesTheOthersGoing) {
  // The second writer is slow enough to be canceled in its write pass (its
  // steps take about half a second each on the tests' time scale).
  ProgramBus bus(Writer(3) + ", " + Writer(4, kDiscSectors, R"("speed": 0.0001)") + ", " + Writer(5));
  ui.Expect(Summary(2, {"0,3,0: Operation done.", "0,4,0: Operation canceled.", "0,5,0: Operation done."}),
            ProgramName, 0x30, 1);
  dialog->onProgress = [&](size_t writer, int phase, int percent) {
    if (writer == 1 && phase == 1 && percent > 0) operation->Cancel(1);
  };
  Run(bus, 3, 0x83);
  EXPECT_EQ(dialog->final[1].outcome.result, OperationResult::Canceled);
  EXPECT_LT(dialog->LastPercent(1, 1), 100);
  EXPECT_TRUE(TrayOpen(*writers[1]));
  EXPECT_EQ(ReadBack(*writers[0], kVolume), data);
  EXPECT_EQ(ReadBack(*writers[2], kVolume), data);
}

TEST_F(SeveralWritersTest, NothingStartsWithoutAUsableSourceOrWithAWriterTwice) {
  ProgramBus bus(Writers(2));
  writers.push_back(OpenDevice(3));
  writers.push_back(OpenDevice(4));
  struct Row {
    std::string source;
    std::vector<SCSIDEV*> writers;
    std::string box;
  } rows[] = {
      {image, {}, "No writer is chosen."},
      {image, {writers[0].get(), writers[1].get(), writers[0].get()}, "0,3,0 is chosen more than once."},
      {dir.Write("short.iso", data.substr(0, 100'000)), {writers[0].get()},
       dir.File("short.iso") + " is shorter than the volume size (100,000 of 3,000,000 bytes)."},
  };
  for (const Row& row : rows) {
    ui.Expect(row.box, ProgramName, kErrorBox, 1);
    SeveralWritersRequest request{Operation::Write, Endpoint(row.source), {}, row.writers};
    request.volume.volumeSize = kVolume;
    SeveralWriters several(*dialog, request);
    EXPECT_FALSE(several.Start()) << row.box;
  }
  // Nothing touched the discs.
  EXPECT_EQ(writers[0]->GetFreeSize(), uint64_t{kDiscSectors} * 2048);
}

TEST(SharedPass, ASeatAWholeWindowBehindReadsTheSourceOnItsOwn) {
  CapturedLog log;
  TempDir dir;
  constexpr uint32_t kStep = 4096;
  const std::string bytes = VolumeBytes(6 * kStep + 100, 5);
  SourceFeed feed(Endpoint(dir.Write("v.iso", bytes)), 0);
  auto pass = std::make_shared<SharedPass>(feed, bytes.size(), kStep, 4);
  auto fast = SharedPass::Take(pass, "fast");
  auto slow = SharedPass::Take(pass, "slow");
  auto never = [] { return false; };
  auto readAll = [&](PassSeat& seat, uint64_t from, uint64_t to) {
    std::string got;
    std::vector<uint8_t> step(kStep);
    for (uint64_t at = from * kStep; at < to * kStep && at < bytes.size(); at += kStep) {
      uint32_t moved = 0;
      const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(kStep, bytes.size() - at));
      EXPECT_TRUE(seat.Read(at, step.data(), count, moved, never));
      got.append(reinterpret_cast<const char*>(step.data()), moved);
    }
    return got;
  };
  // The slow seat takes two steps from the window, then waits; the fast one
  // fills the window (4 steps ahead of the slow one) and goes past it.
  std::string fastGot = readAll(*fast, 0, 2);
  std::string slowGot = readAll(*slow, 0, 2);
  fastGot += readAll(*fast, 2, 7);
  // A seat that comes now has missed the first step.
  auto late = SharedPass::Take(pass, "late");
  slowGot += readAll(*slow, 2, 7);
  EXPECT_EQ(fastGot, bytes);
  EXPECT_EQ(slowGot, bytes);
  EXPECT_EQ(readAll(*late, 0, 7), bytes);
  EXPECT_EQ(pass->StepsShared(), 7u);
  // The slow seat read its last five steps alone (let go when the fast one
  // needed step 6), the late one all seven.
  EXPECT_EQ(pass->StepsAlone(), 5u + 7u);
  EXPECT_EQ(feed.BytesRead(), bytes.size() + (bytes.size() - 2 * kStep) + bytes.size());
  EXPECT_TRUE(log.Contains("[SharedPass] slow is 4 steps behind: it reads the source on its own from step 2 on."));
}
