// SPDX-License-Identifier: GPL-3.0-or-later
// How many log entries per second two threads get into the log file at once.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "base/Log.h"

namespace {

class CountingView : public LogView {
 public:
  void AppendEntries(bool, const std::vector<std::string>& entries) override {
    ++batches;
    shown += entries.size();
  }
  void LoggingSwitched(bool) override {}
  uint64_t batches = 0;
  uint64_t shown = 0;
};

}  // namespace

int main(int argc, char** argv) {
  const int perThread = argc > 1 ? std::atoi(argv[1]) : 200000;
  auto dir = std::filesystem::temp_directory_path() / "marrowlight-log-bench";
  std::filesystem::create_directories(dir);
  auto path = (dir / "MarrowlightLog.txt").string();

  CountingView view;
  auto sink = std::make_unique<LogSink>(path, "bench header\r\n");
  sink->SetView(&view);
  InstallLogSink(std::move(sink));
  SetTraceWriter([](std::string_view) {});  // measure the file and the view, not the terminal

  auto start = std::chrono::steady_clock::now();
  auto worker = [perThread](int id) {
    std::string text = "[Bench] worker " + std::to_string(id) + " entry ";
    for (int i = 0; i < perThread; ++i) AddLog(text + std::to_string(i));
  };
  std::thread a(worker, 1), b(worker, 2);
  a.join();
  b.join();
  auto added = std::chrono::steady_clock::now();
  Log().Flush();
  auto shown = std::chrono::steady_clock::now();

  double addSeconds = std::chrono::duration<double>(added - start).count();
  double allSeconds = std::chrono::duration<double>(shown - start).count();
  std::printf("AddLog, 2 threads x %d entries into %s\n", perThread, path.c_str());
  std::printf("  entries per second (added):          %.0f\n", 2.0 * perThread / addSeconds);
  std::printf("  entries per second (shown in view):  %.0f\n", 2.0 * perThread / allSeconds);
  std::printf("  view batches: %llu for %llu entries\n", static_cast<unsigned long long>(view.batches),
              static_cast<unsigned long long>(view.shown));
  InstallLogSink(nullptr);
  std::filesystem::remove_all(dir);
  return 0;
}
