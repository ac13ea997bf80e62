// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/SamplingCost.h"

#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>
#include <vector>

#include "base/Log.h"
#include "bench/BenchSupport.h"
#include "chart/ChartDrawing.h"
#include "devices/CreateDevice.h"
#include "transfer/PassGraph.h"
#include "transfer/PassMeter.h"

namespace bench {
namespace {

constexpr uint64_t kMiB = 1024 * 1024;
constexpr int kRounds = 5;

double ProcessSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// No samples: the pass's own work only.
class QuietHost : public PassHost {
 public:
  bool CancelRequested() override { return false; }
  void ShowStartPercent(int) override {}
  bool ShowPercent(uint64_t done, uint64_t total) override { return done >= total; }
};

// Samples as TOperationThread does: the meter at every step, the report
// handed on at every whole percent; and a timer thread that draws.
class SamplingHost : public PassHost {
 public:
  explicit SamplingHost(uint64_t bytes) {
    PassMeter::PassStart start;
    start.phase = 1;
    start.total = bytes;
    meter_.Begin(start, PassMeter::Clock::now());
    timer_ = std::thread([this] {
      PassGraph graph;
      while (!stop_.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (graph.Add(meter_.Latest())) chart::Draw(graph.Chart("Write"), 424, 200);
        ++ticks_;
      }
    });
  }
  ~SamplingHost() override {
    stop_.store(true);
    timer_.join();
  }
  bool CancelRequested() override { return false; }
  void ShowStartPercent(int) override {}
  bool ShowPercent(uint64_t done, uint64_t total) override {
    ++calls_;
    meter_.Sample(done, total, PassMeter::Clock::now());
    int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
    if (percent > percent_) {
      percent_ = percent;
      handed_ = meter_.Current();  // what a progress notification carries
    }
    return percent >= 100;
  }
  int Ticks() const { return ticks_; }
  uint64_t Calls() const { return calls_; }

 private:
  PassMeter meter_;
  PassProgress handed_;
  int percent_ = 0;
  uint64_t calls_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> ticks_{0};
  std::thread timer_;
};

// The samples' own work, apart from the pass: what ShowPercent adds per
// 64 KiB step, in seconds.
double SamplingPerStep(uint64_t bytes) {
  constexpr uint64_t kStep = 65536;
  SamplingHost host(bytes);
  const uint64_t steps = bytes / kStep;
  double before = ProcessSeconds();
  for (uint64_t step = 1; step <= steps; ++step) host.ShowPercent(step * kStep, bytes);
  return (ProcessSeconds() - before) / static_cast<double>(steps);
}

// One tick of the dialog's timer over a whole operation's graph (three
// passes of full samples): taking the report, the chart and its layout.
double GraphTick() {
  PassGraph graph;
  const uint64_t total = 4'700'000'000;
  for (uint32_t pass = 1; pass <= 3; ++pass) {
    for (uint64_t done = 0; done <= total; done += 65536) {
      PassProgress report;
      report.pass = pass;
      report.phase = static_cast<int>(pass) - 1;
      report.position = report.done = done;
      report.total = total;
      report.bytesPerSecond = 2e7 + static_cast<double>(done % 7'000'000);
      graph.Add(report);
    }
  }
  constexpr int kTicks = 200;
  double before = ProcessSeconds();
  for (int tick = 0; tick < kTicks; ++tick) chart::Draw(graph.Chart("Write"), 424, 200);
  return (ProcessSeconds() - before) / kTicks;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int SamplingCost(uint64_t mib, const std::string& parent) {
  std::string folder = MakeRunFolder(parent, "sampling-bench");
  if (folder.empty()) return 1;
  const uint64_t bytes = mib * kMiB;
  std::string image = folder + "/image.iso";
  MakeImage(image, bytes);
  // A disk takes a pass again and again, as no disc does.
  std::ofstream(folder + "/bus.json")
      << R"({"state_dir": "state", "adapters": [{"devices": [{"id": 1, "model": "disk", )"
      << R"("medium": {"kind": "image", "block_size": 2048, "sectors": )" << bytes / 2048 + 64 << "}}]}]}";
  ::setenv("MARROWLIGHT_SIMBUS", (folder + "/bus.json").c_str(), 1);
  ::setenv("MARROWLIGHT_TIME_SCALE", "0", 1);
  InstallLogSink(std::make_unique<LogSink>(folder + "/bench-log.txt", "transfer_bench --sampling\r\n"));
  SetTraceWriter([](std::string_view) {});

  CreatedDevice disk = CreateDevice(0, 1, 0);
  if (!disk.found) {
    std::printf("the simulated disk did not answer\n");
    return 1;
  }
  std::printf("write pass of %llu MiB onto a simulated disk, %d rounds of each, taking turns\n",
              static_cast<unsigned long long>(mib), kRounds);
  std::vector<double> quiet, sampled;
  int ticks = 0;
  uint64_t calls = 0;
  for (int round = 0; round < kRounds; ++round) {
    for (bool sampling : {false, true}) {
      double before = ProcessSeconds();
      bool ok = false;
      if (sampling) {
        SamplingHost host(bytes);
        ok = RunPass(image, bytes, Endpoint(*disk.device), false, host);
        ticks += host.Ticks();
        calls += host.Calls();
      } else {
        QuietHost host;
        ok = RunPass(image, bytes, Endpoint(*disk.device), false, host);
      }
      double cpu = ProcessSeconds() - before;
      if (!ok) {
        std::printf("a pass failed\n");
        return 1;
      }
      (sampling ? sampled : quiet).push_back(cpu);
      std::printf("round %d  %-16s CPU %.3f s\n", round + 1, sampling ? "with sampling" : "without sampling", cpu);
    }
  }
  double without = Median(quiet), with = Median(sampled);
  std::printf("median CPU of a pass: without sampling %.3f s, with sampling %.3f s: %+.2f%% (%d graph ticks in all)\n",
              without, with, (with - without) / without * 100, ticks);
  std::printf("best CPU of a pass:   without sampling %.3f s, with sampling %.3f s: %+.2f%%\n",
              *std::min_element(quiet.begin(), quiet.end()), *std::min_element(sampled.begin(), sampled.end()),
              (*std::min_element(sampled.begin(), sampled.end()) / *std::min_element(quiet.begin(), quiet.end()) - 1) *
                  100);
  // The difference of whole passes is within the machine's noise; the
  // samples' work measured alone says what it is, taken at every 64 KiB
  // step (more often than a pass asks: at each whole percent and when it
  // looks at Cancel).
  const double perStep = SamplingPerStep(bytes);
  const double perPass = perStep * static_cast<double>(bytes / 65536);
  const double asSampled = perStep * static_cast<double>(calls) / kRounds;
  std::printf("the samples alone: %.3f us each; as the pass takes them (%llu a pass) %.1f us = %.4f%% of the "
              "pass's median CPU; even one every 64 KiB step would be %.2f ms = %.2f%%\n",
              perStep * 1e6, static_cast<unsigned long long>(calls / kRounds), asSampled * 1e6,
              asSampled / without * 100, perPass * 1e3, perPass / without * 100);
  // Drawing is the GUI thread's, never the pass's; for scale, against the
  // pass's CPU at 16x (drive_speed_bench: about 11% of a core).
  const double tick = GraphTick();
  std::printf("a graph tick over three passes of %llu samples each (chart and layout, no painting): %.3f ms, "
              "%.2f%% of a core at ten a second\n",
              static_cast<unsigned long long>(PassGraph::kSamplesPerPass), tick * 1e3, tick * 10 * 100);
  return 0;
}

}  // namespace bench
