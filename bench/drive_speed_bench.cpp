// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated writer's speed against the drive's own time: a write pass
// (and the verify pass after it) of an image onto a QXW-7100 of the
// simulated bus at a given speed, in real time, with the time of each pass
// set against size / rate and the program's processor time over the pass
// (the simulated bus runs in the same process, so it is counted too). A
// program that polled would show as a full core; one that slowed the drive
// would show a pass longer than the drive's time. Prints figures, asserts
// nothing.
//
//   <build>/bin/drive_speed_bench [MB, default 200] [speed, default 16] [folder, default /tmp]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Log.h"
#include "base/NumberText.h"
#include "devices/CreateDevice.h"
#include "bench/BenchSupport.h"
#include "transfer/PassSpeed.h"

namespace {

struct Measured {
  bool ok = false;
  double wall = 0;
  double cpu = 0;
};

Measured Measure(const std::function<bool()>& work) {
  Measured measured;
  double cpuBefore = bench::CpuSeconds();
  auto start = std::chrono::steady_clock::now();
  measured.ok = work();
  measured.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  measured.cpu = bench::CpuSeconds() - cpuBefore;
  return measured;
}

void Row(const char* pass, const Measured& measured, double driveSeconds) {
  std::printf("%-12s %7.3f s   drive's time %7.3f s   pass / drive %.4f   CPU %6.3f s = %5.1f%% of one core%s\n",
              pass, measured.wall, driveSeconds, measured.wall / driveSeconds, measured.cpu,
              100.0 * measured.cpu / measured.wall, measured.ok ? "" : "   (the pass failed)");
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<bench::DriveRun> run = bench::DriveRunArguments(argc, argv);
  if (!run) return 1;
  const uint64_t bytes = run->bytes;
  const double speed = run->speed, rate = run->rate;
  const std::string& parent = run->parent;
  const std::string runFolder = bench::MakeRunFolder(parent, "drive-speed-bench");
  if (runFolder.empty()) return 1;

  std::string image = runFolder + "/image.iso";
  bench::MakeImage(image, bytes);
  {
    std::ofstream bus(runFolder + "/bus.json");
    bus << R"({"state_dir": "state", "adapters": [{"devices": [{"id": 4, "model": "qxw7100", "revision": "1.07", )"
        << R"("medium": {"kind": "dvd-r", "sectors": )" << bytes / 2048 + 64 << "}, "
        << R"("speed": )" << speed << R"(, "timing": {"load_ms": 0, "close_ms": 0}}]}]})";
  }
  ::setenv("MARROWLIGHT_SIMBUS", (runFolder + "/bus.json").c_str(), 1);
  // The drive's time is real time here.
  ::setenv("MARROWLIGHT_TIME_SCALE", "1", 1);
  InstallLogSink(std::make_unique<LogSink>(runFolder + "/bench-log.txt", "drive_speed_bench\r\n"));
  SetTraceWriter([](std::string_view) {});

  std::printf("%s bytes onto a QXW-7100 at speed %g (%s bytes per second)\n", FormatNumber(bytes).c_str(), speed,
              FormatNumber(static_cast<uint64_t>(rate)).c_str());
  CreatedDevice created = CreateDevice(0, 4, 0);
  if (!created.found) return 1;
  SCSIDEV& writer = *created.device;
  writer.WaitReady(5000);
  if (!writer.SetWritingConfig(static_cast<uint32_t>(bytes / 2048), 0, 0)) return 1;

  const double driveSeconds = static_cast<double>(bytes) / rate;
  Measured write = Measure([&] { return bench::RunPass(image, bytes, writer, false); });
  Row("write pass", write, driveSeconds);
  if (!writer.FinishWrite()) return 1;
  Measured verify = Measure([&] { return bench::RunPass(image, bytes, writer, true); });
  Row("verify pass", verify, driveSeconds);
  std::printf("(goal: each pass within 2%% of the drive's time, the process well under 20%% of one core)\n");
  return write.ok && verify.ok ? 0 : 1;
}
