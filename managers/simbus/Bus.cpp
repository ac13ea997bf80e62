// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/simbus/Bus.h"

#include <cstdio>
#include <cstring>

#include "managers/RequestCompletion.h"
#include "managers/simbus/Bytes.h"
#include "managers/simbus/DriveFactory.h"

namespace simbus {
namespace {

constexpr uint8_t kAdapterScsiId = 7;
constexpr const char* kManagerId = "ASPI for WIN32";
constexpr const char* kAdapterIdentifier = "MARROWLIGHT SIM";

}  // namespace

Bus::Bus(const BusConfig& config) : managerFaults_(config.managerFaults) {
  notInitialised_ = managerFaults_.SupportNotInitialised();
  for (size_t i = 0; i < config.adapterCount; ++i) adapters_.push_back(std::make_unique<Adapter>());
  for (const DeviceConfig& device : config.devices) {
    if (device.adapter >= adapters_.size()) continue;
    auto drive = CreateDrive(device, config.stateDir);
    if (!drive) continue;
    if (drive->DeviceFaults().SupportNotInitialised()) notInitialised_ = true;
    adapters_[device.adapter]->AddDrive(std::move(drive));
  }
}

Bus& Bus::Instance() {
  static Bus bus([] {
    std::string error;
    BusConfig config = BusFromEnvironment(&error);
    if (!error.empty()) std::fprintf(stderr, "%s\n", error.c_str());
    return config;
  }());
  return bus;
}

uint32_t Bus::SupportInfo() const {
  const uint32_t count = static_cast<uint32_t>(adapters_.size());
  if (notInitialised_) return uint32_t{aspi::SS_FAILED_INIT} << 8 | count;
  if (count == 0) return uint32_t{aspi::SS_NO_ADAPTERS} << 8;
  return uint32_t{aspi::SS_COMP} << 8 | count;
}

uint32_t Bus::Send(void* block) {
  if (block == nullptr) return aspi::SS_INVALID_SRB;
  auto* header = static_cast<aspi::SRB_Header*>(block);
  switch (header->SRB_Cmd) {
    case aspi::SC_HA_INQUIRY: return HostAdapterInquiry(static_cast<aspi::SRB_HAInquiry*>(block));
    case aspi::SC_EXEC_SCSI_CMD: return Execute(static_cast<aspi::SRB_ExecSCSICmd*>(block));
    case aspi::SC_ABORT_SRB: return AbortRequest(static_cast<aspi::SRB_Abort*>(block));
    case aspi::SC_RESCAN_SCSI_BUS: return Rescan(static_cast<aspi::SRB_RescanPort*>(block));
    case aspi::SC_RESET_DEV:
      header->SRB_Status = header->SRB_HaId < adapters_.size() ? aspi::SS_COMP : aspi::SS_INVALID_HA;
      return header->SRB_Status;
    default:
      header->SRB_Status = aspi::SS_INVALID_CMD;
      return aspi::SS_INVALID_CMD;
  }
}

uint32_t Bus::HoldUnit(uint8_t ha, uint8_t id, uint8_t lun, std::string* reason) {
  Drive* drive = ha < adapters_.size() ? adapters_[ha]->Find(id, lun) : nullptr;
  if (drive == nullptr) return aspi::SS_NO_DEVICE;
  if (!drive->DeviceFaults().HeldElsewhere()) return aspi::SS_COMP;
  *reason = "another program holds the simulated drive";
  return aspi::SS_ERR;
}

uint32_t Bus::HostAdapterInquiry(aspi::SRB_HAInquiry* block) const {
  block->HA_Count = static_cast<uint8_t>(adapters_.size());
  if (block->SRB_HaId >= adapters_.size()) {
    block->SRB_Status = aspi::SS_INVALID_HA;
    return block->SRB_Status;
  }
  block->HA_SCSI_ID = kAdapterScsiId;
  PutPaddedText(block->HA_ManagerId, sizeof block->HA_ManagerId, kManagerId);
  PutPaddedText(block->HA_Identifier, sizeof block->HA_Identifier, kAdapterIdentifier);
  std::memset(block->HA_Unique, 0, sizeof block->HA_Unique);
  block->HA_Unique[3] = 8;  // targets per adapter
  block->HA_Unique[6] = 1;  // largest transfer 10000h bytes, little-endian at bytes 4-7
  block->SRB_Status = aspi::SS_COMP;
  return block->SRB_Status;
}

uint32_t Bus::Execute(aspi::SRB_ExecSCSICmd* block) {
  if (block->SRB_HaId >= adapters_.size()) {
    manager::CompleteAtOnce(block, aspi::SS_INVALID_HA, aspi::HASTAT_OK);
    return aspi::SS_INVALID_HA;
  }
  return adapters_[block->SRB_HaId]->Submit(block);
}

uint32_t Bus::AbortRequest(aspi::SRB_Abort* block) {
  if (block->SRB_HaId >= adapters_.size()) {
    block->SRB_Status = aspi::SS_INVALID_HA;
    return block->SRB_Status;
  }
  auto* target = reinterpret_cast<const aspi::SRB_ExecSCSICmd*>(block->SRB_ToAbort);
  block->SRB_Status = adapters_[block->SRB_HaId]->Abort(target);
  return block->SRB_Status;
}

uint32_t Bus::Rescan(aspi::SRB_RescanPort* block) {
  if (block->SRB_HaId >= adapters_.size()) {
    block->SRB_Status = aspi::SS_INVALID_HA;
    return block->SRB_Status;
  }
  adapters_[block->SRB_HaId]->Rescan();
  block->SRB_Status = aspi::SS_COMP;
  return block->SRB_Status;
}

}  // namespace simbus
