// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/devices/DeviceTestSupport.h"

#include <algorithm>
#include <cstdio>

std::string DeviceEntry(int id, const std::string& model, const std::string& extra) {
  std::string entry = "{\"id\": " + std::to_string(id) + ", \"model\": \"" + model + "\"";
  if (!extra.empty()) entry += ", " + extra;
  return entry + "}";
}

std::string BlankDisc(const std::string& kind, uint32_t sectors) {
  std::string medium = "\"medium\": {\"kind\": \"" + kind + "\"";
  if (sectors != 0) medium += ", \"sectors\": " + std::to_string(sectors);
  return medium + "}";
}

std::string SenseFault(uint8_t opcode, const std::string& sense, uint32_t first, uint32_t from) {
  std::string fault = "{\"kind\": \"sense\", \"opcode\": " + std::to_string(opcode) + ", \"sense\": \"" + sense + "\"";
  if (first != 0) fault += ", \"first\": " + std::to_string(first);
  if (from != 0) fault += ", \"from\": " + std::to_string(from);
  return fault + "}";
}

int DeviceTest::CountEntries(const std::string& text) {
  auto entries = log.Entries();
  return static_cast<int>(std::count(entries.begin(), entries.end(), text));
}

int DeviceTest::Find(const std::string& text, size_t from) {
  auto entries = log.Entries();
  for (size_t i = from; i < entries.size(); ++i)
    if (entries[i] == text) return static_cast<int>(i);
  return -1;
}

int DeviceTest::CountPrefixed(const std::string& prefix) {
  auto entries = log.Entries();
  return static_cast<int>(
      std::count_if(entries.begin(), entries.end(), [&](const std::string& e) { return e.rfind(prefix, 0) == 0; }));
}
