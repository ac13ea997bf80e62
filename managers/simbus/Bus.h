// SPDX-License-Identifier: GPL-3.0-or-later
// Bus: the simulated SCSI bus behind the manager's two entry points. It is
// built from a bus description (BusDescription.h): one Adapter per listed
// adapter, one emulated drive per listed address.
//
// The process's bus is made on the first call of an entry point and lives
// until the library is unloaded (or the process ends), when its adapters stop
// and join their workers. Tests may also build buses of their own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "managers/simbus/Adapter.h"
#include "managers/simbus/BusDescription.h"
#include "managers/simbus/Faults.h"

namespace simbus {

class Bus {
 public:
  explicit Bus(const BusConfig& config);
  ~Bus() = default;
  Bus(const Bus&) = delete;
  Bus& operator=(const Bus&) = delete;

  // GetASPI32SupportInfo: status byte in bits 8-15, adapter count in 0-7.
  uint32_t SupportInfo() const;
  // SendASPI32Command.
  uint32_t Send(void* block);
  // HoldASPI32Unit: nothing to hold on a simulated bus, unless the drive's
  // description says another program holds it (a "held" fault).
  uint32_t HoldUnit(uint8_t ha, uint8_t id, uint8_t lun, std::string* reason);

  size_t AdapterCount() const { return adapters_.size(); }
  Adapter& AdapterAt(size_t index) { return *adapters_[index]; }

  // The process's bus, made from the environment on first use. A malformed
  // description is reported once on stderr and gives an empty bus.
  static Bus& Instance();

 private:
  uint32_t HostAdapterInquiry(aspi::SRB_HAInquiry* block) const;
  uint32_t Execute(aspi::SRB_ExecSCSICmd* block);
  uint32_t AbortRequest(aspi::SRB_Abort* block);
  uint32_t Rescan(aspi::SRB_RescanPort* block);

  std::vector<std::unique_ptr<Adapter>> adapters_;
  Faults managerFaults_;
  bool notInitialised_ = false;
};

}  // namespace simbus
