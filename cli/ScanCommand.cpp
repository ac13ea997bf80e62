// scan: the four device lists of the two page scans.
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "app/DeviceScan.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/JsonText.h"
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
  for (const auto& device : list.devices) {
    entries.push_back({{"address", Address(*device)},
                       {"vendor", Trimmed(device->Vendor())},
                       {"product", Trimmed(device->Product())},
                       {"revision", Trimmed(device->Revision())},
                       {"class", DeviceClassName(*device)}});
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

}  // namespace

int RunScan(bool json) {
  PageScan write = InitWritePage();
  PageScan copy = InitCopyPage();
  if (json) {
    nlohmann::json out = {{"write_sources", ListJson(write.sources)},
                          {"write_destinations", ListJson(write.destinations)},
                          {"copy_sources", ListJson(copy.sources)},
                          {"copy_destinations", ListJson(copy.destinations)}};
    std::cout << JsonText(out) << std::endl;
  } else {
    PrintList("Write sources", write.sources);
    PrintList("Write destinations (writers)", write.destinations);
    PrintList("Copy sources", copy.sources);
    PrintList("Copy destinations", copy.destinations);
  }
  return write.ran || copy.ran ? kExitDone : kExitFailed;
}
