// SPDX-License-Identifier: GPL-3.0-or-later
// A simulated bus of the test's own, built from a description text, and a
// way to send it request blocks as the program does: an execute block with an
// eventfd, waited for when the manager leaves it pending.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/aspi/AspiSrb.h"
#include "managers/simbus/Bus.h"
#include "tests/fixtures/TempDir.h"

struct Reply {
  uint8_t returned = 0;  // what SendASPI32Command returned
  uint8_t status = 0;
  uint8_t hostStatus = 0;
  uint8_t targetStatus = 0;
  std::vector<uint8_t> sense;
  uint8_t KeyByte() const { return sense[2]; }
  uint8_t Key() const { return sense[2] & 0x0F; }
  uint8_t Asc() const { return sense[12]; }
  uint8_t Ascq() const { return sense[13]; }
  uint32_t Information() const;
  // "KK/AA/QQ" for readable failures.
  std::string SenseText() const;
};

class TestBus {
 public:
  // The description without "state_dir": the bus keeps its state in a
  // temporary folder (StateDir()).
  explicit TestBus(const std::string& description);
  // A second bus over the same state folder, as a later run of the program.
  void Restart() {
    Stop();
    Start();
  }
  // The end of a run (the drives save their state) and the start of the next.
  void Stop() { bus_.reset(); }
  void Start();

  simbus::Bus& Bus() { return *bus_; }
  const std::string& StateDir() const { return stateDir_; }
  const TempDir& Dir() const { return dir_; }

  Reply Exec(uint8_t id, std::vector<uint8_t> cdb, uint8_t* data = nullptr, uint32_t length = 0, bool dataOut = false,
             uint8_t lun = 0, uint8_t adapter = 0);
  // Polls TEST UNIT READY until the drive is ready; false after `polls` tries.
  bool WaitReady(uint8_t id, int polls = 2000);

 private:
  TempDir dir_;
  std::string description_;
  std::string stateDir_;
  std::unique_ptr<simbus::Bus> bus_;
};

// The command block bytes of the commands the tests send.
std::vector<uint8_t> Cdb10(uint8_t op, uint32_t lba, uint16_t blocks);
std::vector<uint8_t> Cdb12(uint8_t op, uint32_t lba, uint32_t blocks);
