// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ManagerChoice.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "host/os/Platform.h"
#include "scsi/ASPI32.h"
#include "scsi/AspiManager.h"

namespace {

constexpr ManagerOption kOptions[] = {
    {"sim", kDefaultManagerFile, "the simulated SCSI bus built with the program"},
    {"sg", "libmarrowlight-sg.so", "real drives and disks through Linux SCSI generic (/dev/sg*)"},
};

}  // namespace

std::span<const ManagerOption> ManagerOptions() { return kOptions; }

std::optional<std::string> ManagerLibraryFor(std::string_view choice) {
  if (choice.empty()) return std::nullopt;
  for (const ManagerOption& option : kOptions) {
    if (choice == option.name) return host::ProgramDirectory() + "/" + option.file;
  }
  std::error_code error;
  std::filesystem::path path = std::filesystem::absolute(std::filesystem::path(choice), error);
  if (error) return std::string(choice);
  return path.lexically_normal().string();
}

bool ManagerChoiceExists(std::string_view choice, std::string* error) {
  auto library = ManagerLibraryFor(choice);
  std::error_code ignored;
  if (!library || std::filesystem::is_regular_file(*library, ignored)) return true;
  if (error != nullptr)
    *error = "No SCSI manager library at " + *library + " (choose sim, sg or the path of a manager library).";
  return false;
}

bool ApplyManagerChoice(std::string_view choice, std::string* error) {
  auto library = ManagerLibraryFor(choice);
  if (!library) return true;
  if (IsAspiManagerLoaded()) {
    if (error != nullptr) *error = "The SCSI manager is loaded already; choose it before the first scan.";
    return false;
  }
  if (!ManagerChoiceExists(choice, error)) return false;
  SetAspiManagerPath(*library);
  return true;
}

std::string ManagerChoiceFromArguments(int argc, char** argv) {
  constexpr std::string_view kOption = "--manager";
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == kOption && i + 1 < argc) return argv[i + 1];
    if (argument.size() > kOption.size() && argument.substr(0, kOption.size() + 1) == "--manager=") {
      return std::string(argument.substr(kOption.size() + 1));
    }
  }
  return {};
}

std::string DefaultManagerChoice(const std::string& programDir, const std::string& sysfsRoot) {
  std::error_code ignored;
  if (!std::filesystem::exists(std::filesystem::path(programDir) / kInstalledMarker, ignored)) return "";
  const std::filesystem::path units = std::filesystem::path(sysfsRoot) / "class/scsi_generic";
  if (!std::filesystem::is_directory(units, ignored)) return "";
  return std::filesystem::directory_iterator(units, ignored) == std::filesystem::directory_iterator() ? "" : "sg";
}

bool ApplyManagerChoiceOrDefault(std::string_view choice, std::string* error) {
  if (!choice.empty()) return ApplyManagerChoice(choice, error);
  const auto configured = host::GetEnvironment("MARROWLIGHT_ASPI");
  if (configured && !configured->empty()) return true;
  return ApplyManagerChoice(DefaultManagerChoice(host::ProgramDirectory()), error);
}

bool ApplyStartupManagerChoice(int argc, char** argv, std::string_view setting, std::string* error) {
  const std::string commandLine = ManagerChoiceFromArguments(argc, argv);
  if (!commandLine.empty()) return ApplyManagerChoice(commandLine, error);
  const auto configured = host::GetEnvironment("MARROWLIGHT_ASPI");
  if (configured && !configured->empty()) return true;
  return ApplyManagerChoiceOrDefault(setting, error);
}

bool SimulatedDrives() {
  if (!IsAspiManagerLoaded()) return false;
  ASPI32 channel;
  uint8_t count = 0, scsiId = 0, managerId[16] = {}, identifier[16] = {}, unique[16] = {};
  if (channel.HostAdapterInquiry(0, &count, &scsiId, managerId, identifier, unique) != aspi::SS_COMP) return false;
  static constexpr char kSimulated[] = "MARROWLIGHT SIM";
  return std::memcmp(identifier, kSimulated, sizeof kSimulated - 1) == 0;
}
