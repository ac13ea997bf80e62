// SPDX-License-Identifier: GPL-3.0-or-later
// Drive: the base of every emulated device. A command goes through the
// device's faults and then through a 256-entry dispatch table indexed by the
// operation code; every entry a model does not install answers ILLEGAL
// REQUEST, invalid command operation code (05/20/00).
//
// A drive is driven by one adapter worker at a time; the worker holds
// Mutex() while a command runs, and so does anyone else who looks at the
// drive (a rescan, the state summary).
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "managers/simbus/BusDescription.h"
#include "managers/simbus/Faults.h"
#include "managers/simbus/ScsiCommand.h"
#include "managers/simbus/TransferPace.h"

namespace simbus {

class Drive {
 public:
  using Handler = void (Drive::*)(ScsiCommand&);

  Drive(const DeviceConfig& config, std::string stateDir);
  virtual ~Drive() = default;
  Drive(const Drive&) = delete;
  Drive& operator=(const Drive&) = delete;

  void Execute(ScsiCommand& command);
  // The adapter's rescan reached this drive (a power cycle completes here).
  virtual void OnRescan() {}
  // One line for the state tool: what the drive holds.
  virtual std::string Summary() const;

  Faults& DeviceFaults() { return faults_; }
  std::mutex& Mutex() { return mutex_; }
  const DeviceConfig& Config() const { return config_; }

 protected:
  using Clock = std::chrono::steady_clock;

  template <class Derived>
  struct Entry {
    uint8_t op;
    void (Derived::*handler)(ScsiCommand&);
  };
  template <class Derived, size_t N>
  void Install(const std::array<Entry<Derived>, N>& entries) {
    for (const auto& entry : entries) table_[entry.op] = static_cast<Handler>(entry.handler);
  }

  // Why the medium cannot be used now, or nothing when it can.
  virtual std::optional<Sense> Readiness() const;
  // INQUIRY bytes 0-95.
  virtual void FillInquiry(uint8_t* inquiry) const;
  // Fails the command with the readiness sense; true when the drive is ready.
  bool NeedReady(ScsiCommand& command) const;
  // Answers `sense` until ms (times the time scale) have passed.
  void BecomeBusy(Sense sense, uint32_t ms);
  std::optional<Sense> BusySense() const;
  // Holds a data command for as long as the drive's speed (and a slow
  // fault) says.
  void PaceTransfer(ScsiCommand& command, uint64_t bytes);

  void Inquiry(ScsiCommand& command);
  void TestUnitReady(ScsiCommand& command);
  void RequestSense(ScsiCommand& command);
  void InvalidOperation(ScsiCommand& command);
  virtual void OnTestUnitReady() {}
  // A sense fault fired for the command: fills what a drive reports with it.
  virtual void OnFaultSense(ScsiCommand&) {}

  DeviceConfig config_;
  std::string stateDir_;
  std::string vendor_;
  std::string product_;
  std::string revision_;
  std::string mecha_;

 private:
  std::array<Handler, 256> table_;
  Faults faults_;
  std::mutex mutex_;
  uint8_t lastSense_[kFixedSenseLength] = {};
  Sense busySense_{};
  Clock::time_point busyFrom_{};
  Clock::time_point busyUntil_{};
  TransferPace pace_;
  TransferPace slowPace_;  // the slow regions of a drive without a speed
};

}  // namespace simbus
