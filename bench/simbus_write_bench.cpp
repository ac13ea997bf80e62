// SPDX-License-Identifier: GPL-3.0-or-later
// How many 32 KiB WRITE(10) commands per second pass through ASPI32::Execute
// into the simulated SCSI bus and back, once as a test write (the drive
// records nothing) and once as a real write into the disc's sparse file.
// Prints figures and asserts nothing.
//
//   <build>/bin/simbus_write_bench [commands]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "scsi/ASPI32.h"
#include "scsi/Commands.h"

namespace {

constexpr uint8_t kId = 4;
constexpr uint16_t kBlocks = 16;
constexpr uint32_t kBytes = kBlocks * 2048;

bool SetTestWrite(ASPI32& channel, bool test) {
  std::vector<uint8_t> page(2048, 0);
  if (scsi::ModeSense10(channel, 0, kId, 0, 0x05, page.data()) != 1) return false;
  page[0] = page[1] = 0;
  page[18] = static_cast<uint8_t>((page[18] & 0xE0) | 0x02 | (test ? 0x10 : 0));
  return scsi::ModeSelect10(channel, 0, kId, 0, page.data(), 68) == 1;
}

void Run(ASPI32& channel, uint32_t commands, bool test) {
  if (!SetTestWrite(channel, test) || scsi::ReserveRZone(channel, 0, kId, 0, commands * kBlocks) != 1) {
    std::printf("the writer refused the set-up (status %d)\n", channel.Status());
    return;
  }
  std::vector<uint8_t> data(kBytes, 0xA5);
  auto start = std::chrono::steady_clock::now();
  uint32_t done = 0;
  for (; done < commands; ++done)
    if (scsi::Write10(channel, 0, kId, 0, done * kBlocks, kBlocks, data.data(), kBytes) != 1) break;
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  scsi::SynchronizeCache(channel, 0, kId, 0, false);
  std::printf("%-11s %6u WRITE(10) of 32 KiB in %.3f s: %9.0f commands/s, %8.1f MiB/s\n",
              test ? "test write" : "real write", done, seconds, done / seconds, done * 32.0 / 1024.0 / seconds);
}

}  // namespace

int main(int argc, char** argv) {
  uint32_t commands = argc > 1 ? static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 10)) : 4096;
  if (commands == 0) commands = 4096;
  char folderTemplate[] = "/tmp/simbus-bench-XXXXXX";
  if (::mkdtemp(folderTemplate) == nullptr) return 1;
  const std::string folder = folderTemplate;
  const uint32_t sectors = commands * kBlocks + 16;
  std::ofstream(folder + "/bus.json") << R"({"state_dir": "state", "adapters": [{"devices": [{"id": 4, "model": "qxw7100",)"
                                      << R"( "medium": {"kind": "dvd-r", "sectors": )" << sectors << "}}]}]}";
  ::setenv("MARROWLIGHT_SIMBUS", (folder + "/bus.json").c_str(), 1);
  ::setenv("MARROWLIGHT_TIME_SCALE", "0", 1);
  {
    ASPI32 channel;
    Run(channel, commands, true);
    Run(channel, commands, false);
  }
  std::filesystem::remove_all(folder);
  return 0;
}
