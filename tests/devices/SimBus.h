// SPDX-License-Identifier: GPL-3.0-or-later
// SimBus: one simulated SCSI bus for one test. It writes a bus description
// with the given devices on adapter 0 (and a state folder) into a temporary
// folder, points the program's manager loader at the recording front of the
// simulated bus (tests/devices/recorder) and unloads any manager loaded
// before, so that the test's first request channel builds this bus. When the
// object ends the manager is unloaded again and the environment restored.
//
// Commands() gives every execute request the program sent, in order, with
// its command block and outgoing data: the bytes that reached the drive.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/os/SharedLibrary.h"
#include "tests/devices/recorder/RecordedCommand.h"
#include "tests/fixtures/TempDir.h"

struct SentCommand {
  RecordedCommand head;
  std::vector<uint8_t> data;  // outgoing data (parameter lists, written blocks)

  uint8_t Op() const { return head.cdb[0]; }
  std::vector<uint8_t> Cdb() const { return {head.cdb, head.cdb + head.cdbLength}; }
};

class SimBus {
 public:
  // devices: the JSON objects of adapter 0's device list, comma-separated.
  explicit SimBus(const std::string& devices);
  ~SimBus();
  SimBus(const SimBus&) = delete;
  SimBus& operator=(const SimBus&) = delete;

  std::vector<SentCommand> Commands() const;
  std::vector<SentCommand> Commands(uint8_t op) const;
  size_t Count(uint8_t op) const { return Commands(op).size(); }
  void Clear() const;
  // The next `times` commands with operation code op are answered with this
  // status, sense and data instead of reaching the bus.
  void Script(uint8_t op, uint32_t times, uint8_t status, const std::vector<uint8_t>& sense,
              const std::vector<uint8_t>& data) const;

  // Reads sent ahead are answered as a manager that queues them answers
  // them: pending at once, then in order on a thread of their own.
  void QueueAhead(bool on) const;

  const TempDir& Dir() const { return dir_; }

 private:
  template <typename Fn>
  Fn Control(const char* name) const;

  TempDir dir_;
  std::optional<std::string> previousAspi_, previousBus_, previousState_;
  std::unique_ptr<host::SharedLibrary> recorder_;
};

// Fixed-format sense data with the given key byte, ASC and ASCQ.
std::vector<uint8_t> SenseBytes(uint8_t key, uint8_t asc, uint8_t ascq);
