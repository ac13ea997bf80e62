// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/simbus/Adapter.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "managers/RequestCompletion.h"
#include "host/os/Event.h"

namespace simbus {
namespace {

uint16_t Key(uint8_t id, uint8_t lun) { return static_cast<uint16_t>(id << 8 | lun); }

using manager::FinishAborted;
using manager::PublishStatus;

void Finish(aspi::SRB_ExecSCSICmd* request, const ScsiCommand& command) {
  request->SRB_HaStat = aspi::HASTAT_OK;
  request->SRB_TargStat = command.failed ? aspi::STATUS_CHKCOND : aspi::STATUS_GOOD;
  uint32_t senseRoom = std::min<uint32_t>(request->SRB_SenseLen, aspi::kSenseAreaSize);
  std::memset(request->SenseArea, 0, senseRoom);
  if (command.failed) BuildFixedSense(command, request->SenseArea, senseRoom);
  PublishStatus(request, command.failed ? aspi::SS_ERR : aspi::SS_COMP);
  manager::SignalCompletion(request);
}

}  // namespace

Adapter::Adapter() : worker_([this] { Run(); }) {}

Adapter::~Adapter() {
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
  }
  wake_.notify_one();
  worker_.join();
}

void Adapter::AddDrive(std::unique_ptr<Drive> drive) {
  const DeviceConfig& config = drive->Config();
  std::lock_guard lock(mutex_);
  drives_[Key(config.id, config.lun)] = std::move(drive);
}

Drive* Adapter::Find(uint8_t id, uint8_t lun) const {
  std::lock_guard lock(mutex_);
  auto found = drives_.find(Key(id, lun));
  return found == drives_.end() ? nullptr : found->second.get();
}

std::vector<Drive*> Adapter::Drives() const {
  std::lock_guard lock(mutex_);
  std::vector<Drive*> drives;
  for (const auto& [key, drive] : drives_) drives.push_back(drive.get());
  return drives;
}

uint8_t Adapter::Submit(aspi::SRB_ExecSCSICmd* request) {
  Drive* drive = Find(request->SRB_Target, request->SRB_Lun);
  if (drive == nullptr) {
    manager::CompleteAtOnce(request, aspi::SS_NO_DEVICE, aspi::HASTAT_SEL_TO);
    return aspi::SS_NO_DEVICE;
  }
  if (request->SRB_CDBLen == 0 || request->SRB_CDBLen > sizeof request->CDBByte) {
    manager::CompleteAtOnce(request, aspi::SS_INVALID_SRB, aspi::HASTAT_OK);
    return aspi::SS_INVALID_SRB;
  }
  if (drive->DeviceFaults().BusyFor(request->CDBByte, request->SRB_CDBLen)) return aspi::SS_ASPI_IS_BUSY;
  PublishStatus(request, aspi::SS_PENDING);
  bool sleeping = false;
  {
    std::unique_lock lock(mutex_);
    // Only with the worker idle: a command never overtakes one sent before
    // it, nor waits here behind a long one the worker runs.
    if (queue_.empty() && current_ == nullptr && NeverWaits(*drive, *request)) {
      lock.unlock();
      return ExecuteHere(request, *drive);
    }
    queue_.push_back(request);
    sleeping = sleeping_;
  }
  if (sleeping) wake_.notify_one();
  return aspi::SS_PENDING;
}

bool Adapter::NeverWaits(Drive& drive, const aspi::SRB_ExecSCSICmd& request) {
  switch (request.CDBByte[0]) {
    case aspi::op::kRead10:
    case aspi::op::kWrite10:
    case aspi::op::kRead12:
    case aspi::op::kWrite12:
      break;
    default:
      return false;
  }
  // A drive with a speed holds its data commands, and a command that may
  // hang or be slow must stay abortable: all are the worker's.
  return drive.Config().speed <= 0 && !drive.DeviceFaults().CanHold();
}

uint8_t Adapter::ExecuteHere(aspi::SRB_ExecSCSICmd* request, Drive& drive) {
  ScsiCommand command = CommandOf(request);
  {
    std::lock_guard driveLock(drive.Mutex());
    drive.Execute(command);
  }
  Finish(request, command);
  return command.failed ? aspi::SS_ERR : aspi::SS_COMP;
}

void Adapter::Run() {
  while (aspi::SRB_ExecSCSICmd* request = Next()) Execute(request);
}

aspi::SRB_ExecSCSICmd* Adapter::Next() {
  std::unique_lock lock(mutex_);
  sleeping_ = true;
  wake_.wait(lock, [this] { return ending_ || !queue_.empty(); });
  sleeping_ = false;
  if (ending_) return nullptr;
  aspi::SRB_ExecSCSICmd* request = queue_.front();
  queue_.erase(queue_.begin());
  current_ = request;
  abortCurrent_ = false;
  return request;
}

ScsiCommand Adapter::CommandOf(aspi::SRB_ExecSCSICmd* request) {
  ScsiCommand command;
  command.cdb = request->CDBByte;
  command.cdbLength = request->SRB_CDBLen;
  command.data = reinterpret_cast<uint8_t*>(request->SRB_BufPointer);
  command.dataLength = command.data == nullptr ? 0 : request->SRB_BufLen;
  command.dataIn = (request->SRB_Flags & aspi::SRB_DIR_IN) != 0;
  return command;
}

void Adapter::Execute(aspi::SRB_ExecSCSICmd* request) {
  uint8_t cdb[sizeof request->CDBByte];
  std::memcpy(cdb, request->CDBByte, sizeof cdb);
  ScsiCommand command = CommandOf(request);
  command.cdb = cdb;
  command.abortRequested = &abortCurrent_;
  Drive* drive = Find(request->SRB_Target, request->SRB_Lun);
  if (drive->DeviceFaults().HangFor(command)) {
    std::lock_guard lock(mutex_);
    if (abortCurrent_)
      FinishAborted(request);  // the abort came before the request was parked
    else
      hung_.push_back(request);
    current_ = nullptr;
    finished_.notify_all();
    return;
  }
  bool gateAborted = false;
  if (std::optional<std::string> release = drive->DeviceFaults().GateFor(command)) {
    // Waits until the test opens the gate; an abort ends the wait, and the
    // command is not run then.
    while (!abortCurrent_ && !std::filesystem::exists(*release))
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    gateAborted = abortCurrent_;
  }
  if (!gateAborted) {
    std::lock_guard driveLock(drive->Mutex());
    drive->Execute(command);
  }
  std::lock_guard lock(mutex_);
  if (abortCurrent_)
    FinishAborted(request);
  else
    Finish(request, command);
  current_ = nullptr;
  finished_.notify_all();
}

uint8_t Adapter::Abort(const aspi::SRB_ExecSCSICmd* request) {
  std::unique_lock lock(mutex_);
  auto take = [&](auto& list) {
    auto found = std::find(list.begin(), list.end(), request);
    if (found == list.end()) return false;
    aspi::SRB_ExecSCSICmd* stopped = *found;
    list.erase(found);
    FinishAborted(stopped);
    return true;
  };
  if (take(queue_) || take(hung_)) return aspi::SS_COMP;
  if (current_ != request || current_ == nullptr) return aspi::SS_ABORT_FAIL;
  abortCurrent_ = true;
  finished_.wait(lock, [&] { return current_ != request; });
  return aspi::SS_COMP;
}

void Adapter::Rescan() {
  for (Drive* drive : Drives()) {
    std::lock_guard lock(drive->Mutex());
    drive->OnRescan();
  }
}

}  // namespace simbus
