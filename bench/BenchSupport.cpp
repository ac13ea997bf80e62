// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/BenchSupport.h"

#include <sys/resource.h>

#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <utility>
#include <vector>

#include "transfer/DataPass.h"
#include "transfer/PassSpeed.h"

namespace bench {

namespace {

// Nothing to show, no cancel; a pass ends when its whole volume has moved.
class QuietHost : public PassHost {
 public:
  bool CancelRequested() override { return false; }
  void ShowStartPercent(int) override {}
  bool ShowPercent(uint64_t done, uint64_t total) override { return done >= total; }
};

std::string runFolder;

}  // namespace

bool RunPass(const std::string& image, uint64_t bytes, Endpoint destination, bool verify) {
  QuietHost host;
  return RunPass(image, bytes, std::move(destination), verify, host);
}

bool RunPass(const std::string& image, uint64_t bytes, Endpoint destination, bool verify, PassHost& host) {
  PassSides sides;
  sides.source = image;
  sides.destination = std::move(destination);
  sides.size = bytes;
  // Onto a device: a recording, in the writer's steps.
  sides.recording = sides.destination.IsDevice();
  DataPass pass(host, std::move(sides));
  PassOutcome outcome = verify ? pass.Verify() : pass.Write();
  return outcome.ok && !outcome.canceled && outcome.differences == 0;
}

void MakeImage(const std::string& path, uint64_t bytes) {
  constexpr uint64_t kMiB = 1024 * 1024;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::vector<uint32_t> block(kMiB / 4);
  uint32_t x = 0x2545F491u;
  for (uint64_t written = 0; written < bytes; written += kMiB) {
    for (uint32_t& word : block) {
      x ^= x << 13;
      x ^= x >> 17;
      x ^= x << 5;
      word = x;
    }
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(std::min(kMiB, bytes - written)));
  }
}

std::string MakeRunFolder(const std::string& parent, const std::string& name) {
  std::string pattern = parent + "/" + name + "-XXXXXX";
  std::vector<char> chars(pattern.begin(), pattern.end());
  chars.push_back('\0');
  if (::mkdtemp(chars.data()) == nullptr) return {};
  // Registered before the bus exists, so it runs after the bus has ended.
  runFolder = chars.data();
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(runFolder, ignored);
  });
  return runFolder;
}

std::optional<DriveRun> DriveRunArguments(int argc, char** argv) {
  DriveRun run;
  const uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200;
  run.speed = argc > 2 ? std::strtod(argv[2], nullptr) : 16;
  run.parent = argc > 3 ? argv[3] : "/tmp";
  // Whole sectors, as a volume is.
  run.bytes = (megabytes * 1000000 + 2047) / 2048 * 2048;
  run.rate = run.speed * PassSpeed::kDvd1xBytesPerSecond;
  if (run.bytes == 0 || !(run.rate > 0)) return std::nullopt;
  return run;
}

double CpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace bench
