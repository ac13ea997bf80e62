// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/sg/Bus.h"

#include <grp.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "managers/RequestCompletion.h"
#include "host/aspi/ScsiVocabulary.h"
#include "managers/sg/DiskUse.h"
#include "managers/sg/LinuxNode.h"
#include "managers/sg/ManagerLog.h"
#include "managers/sg/SenseFormat.h"

namespace sg {
namespace {

// Linux does not say which id an initiator has; 7 is the usual one.
constexpr uint8_t kAdapterScsiId = 7;
constexpr const char* kManagerId = "LINUX SG_IO";
// More than any one command of the program moves (24-bit lengths at most),
// and more than the kernel takes in one SG_IO call.
constexpr uint32_t kLargestTransfer = 16 * 1024 * 1024;

std::string AddressText(const aspi::ScsiAddress& address) {
  return std::to_string(address.ha) + "," + std::to_string(address.id) + "," + std::to_string(address.lun);
}

// What would let the person open a node: the group that may use it.
std::string PermissionHint(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  std::string group = std::to_string(info.st_gid);
  char room[1024];
  struct group entry {};
  struct group* found = nullptr;
  if (::getgrgid_r(info.st_gid, &entry, room, sizeof room, &found) == 0 && found != nullptr) group = found->gr_name;
  if ((info.st_mode & S_IRWXG) == (S_IRGRP | S_IWGRP)) {
    return " It belongs to group \"" + group + "\", which may read and write it: add the user to that group "
           "(then log in again), or run as root.";
  }
  return " It belongs to group \"" + group + "\", which may not read and write it: give that group read and write "
         "access (a udev rule), or run as root.";
}

// Answers a command that would change a disk in use as a write-protected
// medium would.
void RefuseWrite(aspi::SRB_ExecSCSICmd* block) {
  uint8_t sense[kFixedSenseLength] = {};
  sense[0] = 0x70;  // current error, fixed format
  sense[2] = aspi::sense::kWriteProtected.key;
  sense[7] = kFixedSenseLength - 8;
  sense[12] = aspi::sense::kWriteProtected.asc;
  sense[13] = aspi::sense::kWriteProtected.ascq;
  const size_t room = std::min<size_t>(block->SRB_SenseLen, aspi::kSenseAreaSize);
  std::memset(block->SenseArea, 0, room);
  std::memcpy(block->SenseArea, sense, std::min(room, sizeof sense));
  manager::CompleteAtOnce(block, aspi::SS_ERR, aspi::HASTAT_OK, aspi::STATUS_CHKCOND);
}

}  // namespace

Bus::Environment Bus::SystemEnvironment() {
  Environment environment;
  environment.open = LinuxNode::Open;
  environment.openExclusive = LinuxNode::OpenExclusive;
  environment.holdBlock = LinuxNode::HoldBlock;
  return environment;
}

Bus& Bus::Instance() {
  static Bus bus(SystemEnvironment());
  return bus;
}

Bus::Bus(const Environment& environment) : environment_(environment) {
  std::vector<std::string> problems;
  nodes_ = ReadTopology(environment.sysfsRoot, &problems);
  for (const std::string& problem : problems) Report(problem);
  map_ = AddressMap(nodes_);
  for (const std::string& line : map_.Unmapped()) Report(line);
  if (nodes_.empty()) {
    const bool present = std::filesystem::exists(std::filesystem::path(environment.sysfsRoot) / "class/scsi_generic");
    Report(present ? "The kernel has no SCSI generic devices: no drive or disk is attached, or none answers SCSI."
                   : "The kernel has no SCSI generic driver loaded: load it with \"modprobe sg\" (as root), or "
                     "add \"sg\" to /etc/modules-load.d/ to load it at every start.");
  }
  NameAdapters(environment, 0);
  OpenUnits(environment, 0);
}

void Bus::NameAdapters(const Environment& environment, size_t fromAdapter) {
  driverNames_.resize(fromAdapter);
  for (size_t ha = 0; ha < map_.AdapterCount(); ++ha) {
    const uint64_t host = *map_.HostOf(static_cast<uint8_t>(ha));
    if (ha < fromAdapter) continue;
    driverNames_.push_back(HostDriverName(environment.sysfsRoot, host));
    Report("Host adapter " + std::to_string(ha) + " is SCSI host " + std::to_string(host) +
           (driverNames_.back().empty() ? "" : " (" + driverNames_.back() + ")") + ".");
  }
}

void Bus::Rescan() {
  std::unique_lock lock(mutex_);
  std::vector<std::string> problems;
  std::vector<NodeInfo> found = ReadTopology(environment_.sysfsRoot, &problems);
  const size_t known = nodes_.size();
  for (NodeInfo& node : found) {
    auto same = [&node](const NodeInfo& old) { return old.name == node.name; };
    if (std::none_of(nodes_.begin(), nodes_.end(), same)) nodes_.push_back(std::move(node));
  }
  if (nodes_.size() == known) return;
  std::vector<uint64_t> hosts;
  for (uint8_t ha = 0; ha < map_.AdapterCount(); ++ha) hosts.push_back(*map_.HostOf(ha));
  map_ = AddressMap(nodes_);
  // The adapters whose host did not move keep their names and lines.
  size_t kept = 0;
  while (kept < hosts.size() && map_.HostOf(static_cast<uint8_t>(kept)) == hosts[kept]) ++kept;
  // The units known before keep their workers; their labels follow the map.
  for (size_t i = 0; i < known; ++i) {
    const aspi::ScsiAddress address = map_.AddressOf(i);
    if (address.IsSet()) labels_[i] = AddressText(address) + " (" + environment_.devRoot + "/" + nodes_[i].name + ")";
  }
  NameAdapters(environment_, kept);
  OpenUnits(environment_, known);
}

void Bus::OpenUnits(const Environment& environment, size_t from) {
  devices_.resize(nodes_.size());
  held_.resize(nodes_.size());
  holding_.resize(nodes_.size(), false);
  inUse_.resize(nodes_.size());
  labels_.resize(nodes_.size());
  for (size_t i = from; i < nodes_.size(); ++i) {
    const aspi::ScsiAddress address = map_.AddressOf(i);
    if (!address.IsSet()) continue;
    const std::string path = environment.devRoot + "/" + nodes_[i].name;
    const std::string& where = labels_[i] = AddressText(address) + " (" + path + ")";
    OpenedNode opened = environment.open(path);
    if (!opened.node) {
      const bool denied = opened.error == EACCES || opened.error == EPERM;
      const bool busy = opened.error == EBUSY;
      Report("Cannot open " + path + " for " + AddressText(address) + ", " + nodes_[i].Describe() + ": " +
             std::strerror(opened.error) + "." + (denied ? PermissionHint(path) : "") +
             (busy ? " Another program holds it (a recorder writing a disc?): start again when it is done." : "") +
             " The program sees no device there.");
      continue;
    }
    std::string line = AddressText(address) + " is " + path + ", " + nodes_[i].Describe() + ".";
    if (opened.readOnly) {
      line += " Opened for reading only (" + std::string(std::strerror(opened.error)) +
              " for writing): the kernel refuses commands that change the medium." + PermissionHint(path);
    }
    const DiskUse use = FindDiskUse(environment.sysfsRoot, environment.procRoot, nodes_[i].name);
    if (use.InUse()) {
      inUse_[i] = use.usedBy;
      line += " The system uses it (" + use.usedBy + "): nothing will be written to it.";
    }
    Report(line);
    devices_[i] = std::make_unique<Device>(std::move(opened.node), where);
  }
}

uint32_t Bus::HoldUnit(uint8_t ha, uint8_t id, uint8_t lun, bool hold, std::string* reason) {
  std::shared_lock lock(mutex_);
  const auto node = map_.Find(ha, id, lun);
  if (!node || !devices_[*node]) return aspi::SS_NO_DEVICE;
  const size_t i = *node;
  const std::string path = environment_.devRoot + "/" + nodes_[i].name;
  auto openShared = [&] { return std::move(environment_.open(path).node); };
  if (!hold) {
    if (!holding_[i]) return aspi::SS_COMP;
    held_[i].reset();
    devices_[i]->SwapNode(openShared);
    holding_[i] = false;
    Report(labels_[i] + " is shared again.");
    return aspi::SS_COMP;
  }
  if (holding_[i]) return aspi::SS_COMP;
  if (!environment_.openExclusive) return aspi::SS_COMP;  // nothing to hold with
  int refused = 0;
  devices_[i]->SwapNode([&] {
    OpenedNode exclusive = environment_.openExclusive(path);
    if (exclusive.node) return std::move(exclusive.node);
    refused = exclusive.error;
    return openShared();
  });
  if (refused != 0) {
    *reason = "another program has " + path + " open (" + std::strerror(refused) + ")";
    return aspi::SS_ERR;
  }
  if (!nodes_[i].blockName.empty() && environment_.holdBlock) {
    const std::string block = environment_.devRoot + "/" + nodes_[i].blockName;
    HeldBlock taken = environment_.holdBlock(block);
    if (taken.error == EBUSY) {
      devices_[i]->SwapNode(openShared);
      *reason = block + " is mounted or held by another program (" + std::string(std::strerror(EBUSY)) + ")";
      return aspi::SS_ERR;
    }
    // A block device that cannot be opened at all (no permission, no
    // node) cannot be mounted by this user either: the sg node suffices.
    if (!taken.hold) Report(labels_[i] + ": " + block + " not held (" + std::strerror(taken.error) + ").");
    held_[i] = std::move(taken.hold);
  }
  holding_[i] = true;
  Report(labels_[i] + " is held for this program alone while it writes.");
  return aspi::SS_COMP;
}

std::optional<aspi::ScsiAddress> Bus::FindUnit(const std::string& path) const {
  std::shared_lock lock(mutex_);
  const std::string prefix = environment_.devRoot + "/";
  if (path.rfind(prefix, 0) != 0) return std::nullopt;
  const std::string name = path.substr(prefix.size());
  for (size_t i = 0; i < nodes_.size(); ++i) {
    if ((name == nodes_[i].name || name == nodes_[i].blockName) && map_.AddressOf(i).IsSet()) return map_.AddressOf(i);
  }
  return std::nullopt;
}

uint32_t Bus::SupportInfo() const {
  const size_t count = map_.AdapterCount();
  if (count == 0) return uint32_t{aspi::SS_NO_ADAPTERS} << 8;
  return uint32_t{aspi::SS_COMP} << 8 | static_cast<uint32_t>(count);
}

uint32_t Bus::Send(void* block) {
  if (block == nullptr) return aspi::SS_INVALID_SRB;
  auto* header = static_cast<aspi::SRB_Header*>(block);
  if (header->SRB_Cmd == aspi::SC_RESCAN_SCSI_BUS) {
    // The first adapter's rescan reads the nodes again; the others' find
    // them read.
    if (header->SRB_HaId == 0) Rescan();
  }
  std::shared_lock lock(mutex_);
  switch (header->SRB_Cmd) {
    case aspi::SC_HA_INQUIRY: return HostAdapterInquiry(static_cast<aspi::SRB_HAInquiry*>(block));
    case aspi::SC_EXEC_SCSI_CMD: return Execute(static_cast<aspi::SRB_ExecSCSICmd*>(block));
    case aspi::SC_ABORT_SRB: return AbortRequest(static_cast<aspi::SRB_Abort*>(block));
    case aspi::SC_RESCAN_SCSI_BUS:
      header->SRB_Status = header->SRB_HaId < map_.AdapterCount() ? aspi::SS_COMP : aspi::SS_INVALID_HA;
      return header->SRB_Status;
    default:
      // Resetting a device would disturb every other user of it; the
      // program never asks for it.
      header->SRB_Status = aspi::SS_INVALID_CMD;
      return aspi::SS_INVALID_CMD;
  }
}

uint32_t Bus::HostAdapterInquiry(aspi::SRB_HAInquiry* block) const {
  block->HA_Count = static_cast<uint8_t>(map_.AdapterCount());
  if (block->SRB_HaId >= map_.AdapterCount()) {
    block->SRB_Status = aspi::SS_INVALID_HA;
    return block->SRB_Status;
  }
  block->HA_SCSI_ID = kAdapterScsiId;
  manager::PutPaddedText(block->HA_ManagerId, sizeof block->HA_ManagerId, kManagerId);
  manager::PutPaddedText(block->HA_Identifier, sizeof block->HA_Identifier, driverNames_[block->SRB_HaId]);
  std::memset(block->HA_Unique, 0, sizeof block->HA_Unique);
  block->SRB_Status = aspi::SS_COMP;
  return block->SRB_Status;
}

uint32_t Bus::Execute(aspi::SRB_ExecSCSICmd* block) {
  if (block->SRB_HaId >= map_.AdapterCount()) {
    manager::CompleteAtOnce(block, aspi::SS_INVALID_HA, aspi::HASTAT_OK);
    return aspi::SS_INVALID_HA;
  }
  const auto node = map_.Find(block->SRB_HaId, block->SRB_Target, block->SRB_Lun);
  if (!node || !devices_[*node]) {
    manager::CompleteAtOnce(block, aspi::SS_NO_DEVICE, aspi::HASTAT_SEL_TO);
    return aspi::SS_NO_DEVICE;
  }
  const bool bothWays = (block->SRB_Flags & aspi::SRB_DIR_IN) && (block->SRB_Flags & aspi::SRB_DIR_OUT);
  const bool dataWithoutWay =
      block->SRB_BufLen != 0 && block->SRB_BufPointer != 0 && !(block->SRB_Flags & (aspi::SRB_DIR_IN | aspi::SRB_DIR_OUT));
  const bool tooLong = block->SRB_BufPointer != 0 && block->SRB_BufLen > kLargestTransfer;
  if (block->SRB_CDBLen == 0 || block->SRB_CDBLen > sizeof block->CDBByte || bothWays || dataWithoutWay || tooLong) {
    manager::CompleteAtOnce(block, aspi::SS_INVALID_SRB, aspi::HASTAT_OK);
    return aspi::SS_INVALID_SRB;
  }
  if (!inUse_[*node].empty() && ChangesTheMedium(block->CDBByte[0])) {
    RefuseWrite(block);
    const std::string& where = labels_[*node];
    ReportOnce("in use " + where, where + ": refused command " + Hex(block->CDBByte[0]) +
                                      ", since the system uses the disk (" + inUse_[*node] + ").");
    return aspi::SS_ERR;
  }
  return devices_[*node]->Submit(block);
}

uint32_t Bus::AbortRequest(aspi::SRB_Abort* block) {
  if (block->SRB_HaId >= map_.AdapterCount()) {
    block->SRB_Status = aspi::SS_INVALID_HA;
    return block->SRB_Status;
  }
  auto* target = reinterpret_cast<const aspi::SRB_ExecSCSICmd*>(static_cast<uintptr_t>(block->SRB_ToAbort));
  uint8_t status = aspi::SS_ABORT_FAIL;
  for (size_t i = 0; i < devices_.size() && status != aspi::SS_COMP; ++i) {
    if (devices_[i] && map_.AddressOf(i).ha == block->SRB_HaId) status = devices_[i]->Abort(target);
  }
  block->SRB_Status = status;
  return status;
}

}  // namespace sg
