// SPDX-License-Identifier: GPL-3.0-or-later
// Shared pieces of the device tests: device entries for the bus description,
// counting log lines, and a base fixture that captures the log and scripts
// the message boxes (any box a test does not expect fails it).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/ScriptedUiGuard.h"

// {"id": id, "model": model, <extra>} for the device list of SimBus.
std::string DeviceEntry(int id, const std::string& model, const std::string& extra = "");
// A blank disc of the given kind ("dvd-r", "dvd-rw") as a medium entry.
std::string BlankDisc(const std::string& kind, uint32_t sectors = 0);
// A sense fault entry: opcode, sense "KK/AA/QQ", optional "first"/"from".
std::string SenseFault(uint8_t opcode, const std::string& sense, uint32_t first = 0, uint32_t from = 0);

class DeviceTest : public ::testing::Test {
 protected:
  // How many log entries are exactly text.
  int CountEntries(const std::string& text);
  // The entries in order, for checking sequences.
  std::vector<std::string> Entries() { return log.Entries(); }
  // Index of the first entry equal to text at or after from, or -1.
  int Find(const std::string& text, size_t from = 0);
  // How many entries begin with prefix.
  int CountPrefixed(const std::string& prefix);

  CapturedLog log;
  ScriptedUiGuard ui;
};
