// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <set>
#include <thread>

#include "base/Log.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/FileSizeLimit.h"
#include "tests/fixtures/TempDir.h"

namespace {

const char* const kHeader = "Marrowlight Ver2.00\r\nHEADER-LINE\r\n";

// A view that records what it was handed, batch by batch.
class RecordingView : public LogView {
 public:
  void AppendEntries(bool clearFirst, const std::vector<std::string>& entries) override {
    std::lock_guard lock(mutex);
    if (clearFirst) {
      shown.clear();
      ++clears;
    }
    shown.insert(shown.end(), entries.begin(), entries.end());
    ++batches;
    if (slow) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  void LoggingSwitched(bool on) override {
    std::lock_guard lock(mutex);
    switches.push_back(on);
  }
  std::mutex mutex;
  std::vector<std::string> shown;
  std::vector<bool> switches;
  int clears = 0;
  int batches = 0;
  bool slow = false;
};

struct SilentTrace {
  SilentTrace() : previous(SetTraceWriter([this](std::string_view t) { text.append(t); })) {}
  ~SilentTrace() { SetTraceWriter(previous); }
  std::string text;
  TraceWriter previous;
};

}  // namespace

TEST(LogSink, FirstEntryCreatesTheFileWithTheHeaderOnTop) {
  TempDir dir;
  SilentTrace trace;
  RecordingView view;
  const std::string path = dir.File("MarrowlightLog.txt");
  {
    LogSink sink(path, kHeader);
    sink.SetView(&view);
    EXPECT_FALSE(std::filesystem::exists(path)) << "created before the first entry";

    sink.Add("");  // an empty first entry opens the file and writes the header only
    EXPECT_EQ(TempDir::Read(path), std::string(kHeader) + "\r\n");

    sink.Add("[Test] one done.");
    sink.Add("[Test] two\r\n");
    sink.Flush();
    EXPECT_EQ(TempDir::Read(path),
              std::string(kHeader) + "\r\n" + "[Test] one done.\r\n" + "[Test] two\r\n\r\n");
    EXPECT_EQ(view.shown, (std::vector<std::string>{kHeader, "[Test] one done.", "[Test] two\r\n"}));
    EXPECT_EQ(view.clears, 1);
  }
  EXPECT_EQ(trace.text, std::string(kHeader) + "[Test] one done.[Test] two\r\n");

  // A second run starts the file afresh: it holds only the second run.
  LogSink second(path, kHeader);
  second.Add("run two");
  EXPECT_EQ(TempDir::Read(path), std::string(kHeader) + "\r\nrun two\r\n");
}

TEST(LogSink, SwitchedOffLogsNothingAndResumesWithoutASecondHeader) {
  TempDir dir;
  SilentTrace trace;
  RecordingView view;
  const std::string path = dir.File("MarrowlightLog.txt");
  LogSink sink(path, kHeader);
  sink.SetView(&view);

  sink.SetOutput(false);
  sink.Add("hidden");
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_TRUE(trace.text.empty());

  sink.SetOutput(true);
  sink.Add("first");
  sink.SetOutput(false);
  sink.Add("hidden again");
  sink.SetOutput(true);
  sink.Add("second");
  sink.Flush();
  EXPECT_EQ(TempDir::Read(path), std::string(kHeader) + "\r\nfirst\r\nsecond\r\n");
  EXPECT_EQ(view.switches, (std::vector<bool>{false, true, false, true}));
}

TEST(LogSink, UnwritableFolderSwitchesLoggingOffAndTheProgramGoesOn) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  TempDir dir;
  SilentTrace trace;
  RecordingView view;
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0500), 0);
  LogSink sink(dir.File("MarrowlightLog.txt"), kHeader);
  sink.SetView(&view);
  sink.Add("entry that cannot be written");
  sink.Flush();
  EXPECT_FALSE(sink.OutputOn());
  EXPECT_EQ(view.shown, (std::vector<std::string>{"entry that cannot be written",
                                                  "Logging is off: " + dir.File("MarrowlightLog.txt") +
                                                      " cannot be created (Permission denied)."}));
  EXPECT_EQ(view.switches, (std::vector<bool>{false}));
  EXPECT_EQ(trace.text, "entry that cannot be written");
}

TEST(LogSink, FolderThatIsAFileSwitchesLoggingOff) {
  // Works for root as well: the log path lies below a plain file.
  TempDir dir;
  SilentTrace trace;
  RecordingView view;
  std::string notAFolder = dir.Write("plain", "x");
  LogSink sink(notAFolder + "/MarrowlightLog.txt", kHeader);
  sink.SetView(&view);
  sink.Add("lost entry");
  sink.Add("not logged");
  sink.Flush();
  EXPECT_FALSE(sink.OutputOn());
  EXPECT_EQ(view.shown, (std::vector<std::string>{"lost entry", "Logging is off: " + notAFolder +
                                                                    "/MarrowlightLog.txt cannot be created (Not a "
                                                                    "directory)."}));
  EXPECT_EQ(trace.text, "lost entry");

  // Clearing the switch tries again from the start.
  sink.SetOutput(true);
  sink.Add("again");
  sink.Flush();
  EXPECT_FALSE(sink.OutputOn());
  EXPECT_EQ(view.clears, 2);
}

TEST(LogSink, EntriesFromManyThreadsNeverTearAndASlowViewDoesNotHoldWorkers) {
  TempDir dir;
  SilentTrace trace;
  RecordingView view;
  view.slow = true;  // every batch takes 50 ms to show
  const std::string path = dir.File("MarrowlightLog.txt");
  constexpr int kThreads = 4;
  constexpr int kEntries = 2000;
  {
    LogSink sink(path, kHeader);
    sink.SetView(&view);
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
      workers.emplace_back([&sink, t] {
        // A long entry, so a torn write would show in the file.
        std::string filler(200, static_cast<char>('a' + t));
        for (int i = 0; i < kEntries; ++i) sink.Add("T" + std::to_string(t) + " #" + std::to_string(i) + " " + filler);
      });
    }
    for (auto& worker : workers) worker.join();
    sink.Flush();
  }
  // Had each entry waited for the view, 8000 entries would take minutes.
  EXPECT_LT(view.batches, kThreads * kEntries / 10);
  EXPECT_EQ(view.shown.size(), 1u + kThreads * kEntries);

  std::string file = TempDir::Read(path);
  ASSERT_EQ(file.rfind(std::string(kHeader) + "\r\n", 0), 0u);
  std::set<std::string> seen;
  size_t at = std::string(kHeader).size() + 2;
  while (at < file.size()) {
    size_t end = file.find("\r\n", at);
    ASSERT_NE(end, std::string::npos);
    std::string line = file.substr(at, end - at);
    char t = line.at(1);
    ASSERT_EQ(line.substr(line.size() - 200), std::string(200, static_cast<char>('a' + (t - '0')))) << line;
    seen.insert(line.substr(0, line.find(' ', 3)));
    at = end + 2;
  }
  EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kEntries));
}

TEST(LoggingSwitch, OnlyAFirstArgumentBeginningWithNologSwitchesItOff) {
  const char* none[] = {"marrowlight"};
  const char* nolog[] = {"marrowlight", "-nolog"};
  const char* longer[] = {"marrowlight", "-nologging"};
  const char* capitals[] = {"marrowlight", "-NOLOG"};
  const char* second[] = {"marrowlight", "-x", "-nolog"};
  const char* shorter[] = {"marrowlight", "-nolo"};
  EXPECT_TRUE(LoggingSwitchFromArguments(1, none));
  EXPECT_FALSE(LoggingSwitchFromArguments(2, nolog));
  EXPECT_FALSE(LoggingSwitchFromArguments(2, longer));
  EXPECT_TRUE(LoggingSwitchFromArguments(2, capitals));
  EXPECT_TRUE(LoggingSwitchFromArguments(3, second));
  EXPECT_TRUE(LoggingSwitchFromArguments(2, shorter));
}

TEST(CapturedLog, GlobalAddLogReachesTheInstalledSink) {
  CapturedLog log;
  AddLog("[Global] done.");
  AddLog(std::string("[Global] second"));
  EXPECT_EQ(log.Entries(), (std::vector<std::string>{"HEADER\r\n", "[Global] done.", "[Global] second"}));
  EXPECT_EQ(log.Trace(), "HEADER\r\n[Global] done.[Global] second");
}

// A log beside the program is never written through a symbolic link, and a
// log that stops growing (a file size limit) turns logging off with one
// message that says why; nothing of the program stops.
TEST(LogSink, ALogThatCannotBeWrittenSaysWhyOnceAndTurnsOff) {
  struct Row {
    const char* what;
    bool link;
    uint64_t sizeLimit;  // 0: none
    const char* reason;
  };
  const Row rows[] = {{"symbolic link", true, 0, " cannot be created (a symbolic link, which is not followed)."},
                      {"file size limit", false, 4096, " cannot be written (File too large)."}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    SilentTrace trace;
    RecordingView view;
    const std::string victim = dir.Write("victim.txt", "keep me");
    const std::string path = dir.File("MarrowlightLog.txt");
    if (row.link) std::filesystem::create_symlink(victim, path);
    std::unique_ptr<FileSizeLimit> limit;
    if (row.sizeLimit != 0) limit = std::make_unique<FileSizeLimit>(row.sizeLimit);
    LogSink sink(path, kHeader);
    sink.SetView(&view);
    for (int i = 0; i < 20; ++i) sink.Add(std::string(500, 'a' + i % 26));
    sink.Flush();
    limit.reset();
    EXPECT_FALSE(sink.OutputOn());
    const std::string message = "Logging is off: " + path + row.reason;
    EXPECT_EQ(std::count(view.shown.begin(), view.shown.end(), message), 1);
    EXPECT_EQ(view.switches, (std::vector<bool>{false}));
    EXPECT_EQ(TempDir::Read(victim), "keep me");
    if (row.link) EXPECT_TRUE(std::filesystem::is_symlink(path));
    if (row.sizeLimit != 0) EXPECT_LE(std::filesystem::file_size(path), row.sizeLimit);
  }
}
