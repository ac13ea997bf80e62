// SPDX-License-Identifier: GPL-3.0-or-later
// Several writers at once against one writer: an image written and verified
// (write-verify) onto four emulated QXW-7100 writers of the simulated bus at
// once, in real time, on one host adapter and on four, and with one of the
// four made slow; each set against the same operation onto one writer.
// Per run: the whole operation's time (the pauses and the leadout included)
// and its ratio to one writer's, each writer's write and verify pass
// against the drive's own time (size / rate), how often the source was read
// (bytes read / passes x volume: 1.00 means once per pass), and the process's
// processor time (the simulated bus runs in the process and is counted).
// Prints figures, asserts nothing.
//
//   <build>/bin/several_writers_bench [MB, default 200] [speed, default 16] [folder, default /tmp]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/Log.h"
#include "base/NumberText.h"
#include "bench/BenchSupport.h"
#include "devices/CreateDevice.h"
#include "host/ui/MessageBox.h"
#include "operation/SeveralWriters.h"
#include "scsi/AspiManager.h"
#include "transfer/PassSpeed.h"

namespace {

// The longest time each writer's pass of each phase was seen to have run.
class BenchDialog : public SeveralWritersDialog {
 public:
  void ShowWriterProgress(size_t writer, int phase, int, const PassProgress& report) override {
    std::lock_guard lock(mutex_);
    double& seconds = passSeconds[{writer, phase}];
    if (report.seconds > seconds) seconds = report.seconds;
  }
  void WriterComment(size_t, const std::string&) override {}
  void EnableWriterCancel(size_t, bool) override {}
  bool AskWriteMode(uint64_t, uint64_t) override { return false; }
  void WriterEnded(size_t, const WriterOutcome&) override {}
  void AllEnded(const std::vector<WriterOutcome>&) override {}

  std::map<std::pair<size_t, int>, double> passSeconds;

 private:
  std::mutex mutex_;
};

// Boxes go nowhere: the bench reads the outcomes.
class NoBoxes : public ui::Backend {
 public:
  int MessageBox(const std::string&, const std::string&, unsigned) override { return ui::kIdOk; }
};

struct Run {
  const char* name;
  size_t writers;
  bool ownAdapters;      // one host adapter per writer
  double slowSpeed = 0;  // the last writer's speed, when it is slow
};

struct Figures {
  double wall = 0;
  double cpu = 0;
  double sourceReads = 0;  // source bytes read / (passes x volume)
  bool ok = false;
  std::map<std::pair<size_t, int>, double> passSeconds;
};

std::string Bus(const Run& run, uint64_t bytes, double speed) {
  std::string adapters;
  for (size_t i = 0; i < run.writers; ++i) {
    const bool last = i + 1 == run.writers;
    const double own = last && run.slowSpeed > 0 ? run.slowSpeed : speed;
    std::string device = R"({"id": )" + std::to_string(run.ownAdapters ? 4 : 1 + i) +
                         R"(, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r", "sectors": )" +
                         std::to_string(bytes / 2048 + 64) + R"(}, "speed": )" + std::to_string(own) +
                         R"(, "timing": {"load_ms": 0, "close_ms": 0}})";
    if (run.ownAdapters)
      adapters += std::string(adapters.empty() ? "" : ", ") + R"({"devices": [)" + device + "]}";
    else
      adapters += std::string(adapters.empty() ? R"({"devices": [)" : ", ") + device + (last ? "]}" : "");
  }
  return R"({"state_dir": "state", "adapters": [)" + adapters + "]}";
}

Figures Measure(const Run& run, const std::string& folder, const std::string& image, uint64_t bytes, double speed) {
  Figures figures;
  const std::string state = folder + "/state";
  std::filesystem::remove_all(state);
  {
    std::ofstream bus(folder + "/bus.json");
    bus << Bus(run, bytes, speed);
  }
  ResetAspiManagerForTesting();
  std::vector<std::unique_ptr<SCSIDEV>> writers;
  SeveralWritersRequest request;
  request.operation = Operation::WriteVerify;
  request.source = Endpoint(image);
  request.volume.volumeSize = bytes;
  for (size_t i = 0; i < run.writers; ++i) {
    CreatedDevice created = run.ownAdapters ? CreateDevice(static_cast<uint8_t>(i), 4, 0)
                                            : CreateDevice(0, static_cast<uint8_t>(1 + i), 0);
    if (!created.found) return figures;
    created.device->WaitReady(5000);
    request.writers.push_back(created.device.get());
    writers.push_back(std::move(created.device));
  }
  BenchDialog dialog;
  const double cpuBefore = bench::CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  {
    SeveralWriters several(dialog, request);
    if (several.Start()) {
      several.WaitFor();
      figures.ok = true;
      for (const WriterOutcome& outcome : several.Outcomes())
        figures.ok &= outcome.outcome.result == OperationResult::Done && !outcome.outcome.DifferencesFound();
      figures.sourceReads = static_cast<double>(several.SourceBytesRead()) / (2.0 * static_cast<double>(bytes));
    }
  }
  figures.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  figures.cpu = bench::CpuSeconds() - cpuBefore;
  figures.passSeconds = dialog.passSeconds;
  writers.clear();
  ResetAspiManagerForTesting();
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<bench::DriveRun> arguments = bench::DriveRunArguments(argc, argv);
  if (!arguments) return 1;
  const uint64_t bytes = arguments->bytes;
  const double speed = arguments->speed, rate = arguments->rate;
  const std::string& parent = arguments->parent;
  const std::string folder = bench::MakeRunFolder(parent, "several-writers-bench");
  if (folder.empty()) return 1;
  const std::string image = folder + "/image.iso";
  bench::MakeImage(image, bytes);
  ::setenv("MARROWLIGHT_SIMBUS", (folder + "/bus.json").c_str(), 1);
  ::setenv("MARROWLIGHT_TIME_SCALE", "1", 1);  // the drives' time and the pauses are real
  InstallLogSink(std::make_unique<LogSink>(folder + "/bench-log.txt", "several_writers_bench\r\n"));
  SetTraceWriter([](std::string_view) {});
  NoBoxes boxes;
  ui::ScopedBackend scope(boxes);

  std::printf("%s bytes, write-verify onto QXW-7100 writers at speed %g (%s bytes per second), real time\n",
              FormatNumber(bytes).c_str(), speed, FormatNumber(static_cast<uint64_t>(rate)).c_str());
  const Run runs[] = {
      {"one writer", 1, true},
      {"four writers, one adapter", 4, false},
      {"four writers, four adapters", 4, true},
      {"four, the last at speed 4", 4, true, 4},
  };
  double oneWriter = 0;
  bool ok = true;
  for (const Run& run : runs) {
    Figures figures = Measure(run, folder, image, bytes, speed);
    ok &= figures.ok;
    if (oneWriter == 0) oneWriter = figures.wall;
    std::printf("%-28s whole %7.2f s = %.3f x one writer's   source read %.2f x per pass   CPU %6.2f s = %5.1f%% of one "
                "core%s\n",
                run.name, figures.wall, figures.wall / oneWriter, figures.sourceReads, figures.cpu,
                100.0 * figures.cpu / figures.wall, figures.ok ? "" : "   (a writer did not end done)");
    for (size_t i = 0; i < run.writers; ++i) {
      const double own = i + 1 == run.writers && run.slowSpeed > 0 ? run.slowSpeed * PassSpeed::kDvd1xBytesPerSecond
                                                                    : rate;
      const double drive = static_cast<double>(bytes) / own;
      std::printf("    writer %zu: write pass %7.2f s, verify pass %7.2f s   (drive's time %7.2f s: %.3f, %.3f)\n",
                  i + 1, figures.passSeconds[{i, 1}], figures.passSeconds[{i, 3}], drive,
                  figures.passSeconds[{i, 1}] / drive, figures.passSeconds[{i, 3}] / drive);
    }
  }
  std::printf("(goal: four writers within 5%% of one writer's time, the source read once per pass, under 30%% of one "
              "core; the slow writer delays only itself)\n");
  return ok ? 0 : 1;
}
