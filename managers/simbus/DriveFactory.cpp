// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/simbus/DriveFactory.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "managers/simbus/CdWoDrive.h"
#include "managers/simbus/DirectAccessDrive.h"
#include "managers/simbus/DriveRecord.h"
#include "managers/simbus/DvdWriter.h"
#include "managers/simbus/MmcWriter.h"
#include "managers/simbus/OpticalDrive.h"
#include "managers/simbus/TapeDrive.h"

extern char** environ;

namespace simbus {
namespace {

bool Exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

bool WriteSampleFiles(const std::string& folder) {
  if (!MakeFolders(folder)) return false;
  std::ofstream readme(folder + "/README.TXT", std::ios::binary | std::ios::trunc);
  readme << "Sample volume of the Marrowlight simulated SCSI bus.\r\n";
  std::ofstream data(folder + "/DATA.BIN", std::ios::binary | std::ios::trunc);
  // 1 MiB in which every 32-bit word holds its own position.
  for (uint32_t word = 0; word < 262144; ++word) {
    const char bytes[4] = {static_cast<char>(word >> 24), static_cast<char>(word >> 16),
                           static_cast<char>(word >> 8), static_cast<char>(word)};
    data.write(bytes, 4);
  }
  return readme.good() && data.good();
}

int Run(const char* const* argv) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int result = posix_spawnp(&pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (result != 0) return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

std::string SampleImage(const std::string& stateDir, std::string* error) {
  const std::string image = stateDir + "/sample-dvd.iso";
  if (Exists(image)) return image;
  // Names of this process's own, so that two programs starting on the same
  // state folder do not write into each other's files; the image appears
  // whole with the rename.
  const std::string own = std::to_string(::getpid());
  const std::string source = stateDir + "/sample-source-" + own;
  const std::string partial = image + ".part-" + own;
  bool made = WriteSampleFiles(source);
  if (made) {
    const char* argv[] = {"genisoimage", "-quiet", "-udf", "-V", "SAMPLE", "-o", partial.c_str(), source.c_str(),
                          nullptr};
    made = Run(argv) == 0 && std::rename(partial.c_str(), image.c_str()) == 0;
    if (!made) *error = "genisoimage could not make " + image + " (is genisoimage installed?)";
  } else {
    *error = "cannot write the sample files in " + source;
  }
  std::remove(partial.c_str());
  std::remove((source + "/README.TXT").c_str());
  std::remove((source + "/DATA.BIN").c_str());
  ::rmdir(source.c_str());
  return made ? image : std::string();
}

std::unique_ptr<Drive> CreateDrive(DeviceConfig config, const std::string& stateDir) {
  if (config.medium.sampleImage && config.observeOnly) {
    config.medium.path = stateDir + "/sample-dvd.iso";
  } else if (config.medium.sampleImage) {
    std::string error;
    MakeFolders(stateDir);
    config.medium.path = SampleImage(stateDir, &error);
    if (config.medium.path.empty()) {
      std::fprintf(stderr, "Simulated SCSI bus: %s; the DVD-ROM drive stays empty.\n", error.c_str());
      config.medium.kind = MediumKind::None;
    }
  }
  switch (config.model->family) {
    case ModelFamily::DvdWriter: return std::make_unique<DvdWriter>(config, stateDir);
    case ModelFamily::MmcRecorder: return std::make_unique<MmcWriter>(config, stateDir);
    case ModelFamily::DvdRom: return std::make_unique<OpticalDrive>(config, stateDir);
    case ModelFamily::CdWo: return std::make_unique<CdWoDrive>(config, stateDir);
    case ModelFamily::Tape: return std::make_unique<TapeDrive>(config, stateDir);
    case ModelFamily::Disk:
    case ModelFamily::OpticalMemory: return std::make_unique<DirectAccessDrive>(config, stateDir);
  }
  return nullptr;
}

}  // namespace simbus
