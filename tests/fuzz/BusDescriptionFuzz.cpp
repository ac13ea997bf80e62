// SPDX-License-Identifier: GPL-3.0-or-later
// The bus description parser over any text. A description is either taken
// whole, with every value inside its documented range, or refused with one
// line naming the file; nothing else may come out of it.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <tuple>

#include "managers/simbus/BusDescription.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  simbus::DescriptionResult result = simbus::ParseBusDescription(text, "fuzz.json", "/base");
  if (!result.bus) {
    Check(result.error.rfind("Simulated SCSI bus: fuzz.json: at ", 0) == 0);
    Check(result.error.find('\n') == std::string::npos);
    return 0;
  }
  Check(result.error.empty());
  const simbus::BusConfig& bus = *result.bus;
  Check(bus.adapterCount <= 16);
  std::set<std::tuple<int, int, int>> addresses;
  for (const simbus::DeviceConfig& device : bus.devices) {
    Check(device.adapter < bus.adapterCount && device.id <= 15 && device.lun <= 7);
    Check(addresses.insert({device.adapter, device.id, device.lun}).second);
    Check(device.model != nullptr);
    Check(device.speed == 0 || (device.speed > 0 && std::isfinite(device.speed)));
    Check(!device.vendor || device.vendor->size() <= 8);
    Check(!device.product || device.product->size() <= 16);
    Check(!device.revision || device.revision->size() <= 4);
    const simbus::MediumConfig& medium = device.medium;
    Check(medium.blockSize == 0 || 32768 % medium.blockSize == 0);
    Check(!medium.sectors || (*medium.sectors > 0 && *medium.sectors <= 0xFFFFFFFFull));
    for (const simbus::FaultRule& fault : device.faults) Check(fault.sense.key <= 15);
  }
  return 0;
}
