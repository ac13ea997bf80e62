// SPDX-License-Identifier: GPL-3.0-or-later
// scan: the four device lists of the two page scans.
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "app/DeviceScan.h"
#include "app/ManagerChoice.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/JsonText.h"
#include "devices/DeviceLine.h"
#include "host/os/Platform.h"
#include "host/ui/TerminalText.h"

namespace {

std::string Trimmed(const char* text) {
  std::string value = text;
  while (!value.empty() && value.back() == ' ') value.pop_back();
  return value;
}

std::string Address(const SCSIDEV& device) {
  return std::to_string(device.HostAdapter()) + "," + std::to_string(device.TargetId()) + "," +
         std::to_string(device.Lun());
}

nlohmann::json ListJson(const DeviceList& list) {
  nlohmann::json entries = nlohmann::json::array();
  for (size_t i = 0; i < list.devices.size(); ++i) {
    const SCSIDEV& device = *list.devices[i];
    nlohmann::json entry = {{"address", Address(device)},
                            {"vendor", Trimmed(device.Vendor())},
                            {"product", Trimmed(device.Product())},
                            {"revision", Trimmed(device.Revision())},
                            {"class", DeviceClassName(device)}};
    if (!list.media[i].empty()) entry["medium"] = list.media[i];
    if (std::string note = FirmwareModeNote(device); !note.empty()) entry["state"] = note;
    entries.push_back(entry);
  }
  return entries;
}

void PrintList(const char* title, const DeviceList& list) {
  std::cout << title << ":\n";
  if (list.devices.empty()) std::cout << "  Not Available\n";
  for (size_t i = 0; i < list.devices.size(); ++i) {
    std::cout << "  " << ui::TerminalText(list.items[i]) << "  [" << DeviceClassName(*list.devices[i])
              << ", revision " << ui::TerminalText(Trimmed(list.devices[i]->Revision())) << "]\n";
  }
}

int RunScan(bool json) {
  // As at the program's start: a missing manager is reported once.
  StartupScans scans = RunStartupScans();
  const PageScan& write = scans.write;
  const PageScan& copy = scans.copy;
  const bool simulated = SimulatedDrives();
  if (json) {
    nlohmann::json out = {{"simulated_drives", simulated},
                          {"write_sources", ListJson(write.sources)},
                          {"write_destinations", ListJson(write.destinations)},
                          {"copy_sources", ListJson(copy.sources)},
                          {"copy_destinations", ListJson(copy.destinations)}};
    std::cout << JsonText(out) << std::endl;
  } else {
    if (simulated)
      std::cout << "These are " << kSimulatedDrivesLabel << " (the simulated SCSI bus); --manager sg reaches the "
                << "machine's real drives.\n";
    PrintList("Write sources", write.sources);
    PrintList("Write destinations (writers)", write.destinations);
    PrintList("Copy sources", copy.sources);
    PrintList("Copy destinations", copy.destinations);
  }
  // A manager that is missing or did not initialise gives no lists to trust,
  // whatever a later scan found.
  if (!write.ran) {
    host::WriteStderr("The SCSI manager is not ready: the device lists are not complete.\n");
    return kExitFailed;
  }
  return kExitDone;
}

}  // namespace

void AddScanCommand(CommandSet& commands) {
  auto json = std::make_shared<bool>(false);
  CLI::App* scan = commands.Add("scan", "The four device lists of the two scans",
                                [json](const GlobalOptions&) { return RunScan(*json); });
  scan->add_flag("--json", *json, "Print JSON");
}
