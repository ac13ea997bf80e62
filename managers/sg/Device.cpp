// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/sg/Device.h"

#include <signal.h>

#include <algorithm>
#include <cstring>

#include "host/aspi/OperationCodes.h"
#include "managers/sg/CommandTimeouts.h"
#include "managers/RequestCompletion.h"
#include "managers/sg/Completion.h"
#include "managers/sg/ManagerLog.h"

namespace sg {
namespace {

using manager::FinishAborted;
using manager::PublishStatus;

Direction DirectionOf(const aspi::SRB_ExecSCSICmd& request) {
  if (request.SRB_BufPointer == 0 || request.SRB_BufLen == 0) return Direction::None;
  return (request.SRB_Flags & aspi::SRB_DIR_OUT) ? Direction::Out : Direction::In;
}

uint8_t* ProgramBuffer(const aspi::SRB_ExecSCSICmd& request) {
  return reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(request.SRB_BufPointer));
}

// Commands short enough to wait for on the caller's thread: the data
// commands of a pass, one after the other. Anything that may take long (a
// leadout, a blank) or that the program aborts (INQUIRY) goes through the
// worker as ever.
bool RunsOnCaller(const aspi::SRB_ExecSCSICmd& request) {
  switch (request.CDBByte[0]) {
    case aspi::op::kRead10:
    case aspi::op::kRead12:
    case aspi::op::kWrite10:
    case aspi::op::kWrite12:
      return true;
    default:
      return false;
  }
}

// Gives the program the bytes a data-in command brought. A data command's
// buffer was not cleared beforehand (Ready): what its answer left out reads
// as zeros, never as the bytes of the unit's command before.
void CopyAnswer(const aspi::SRB_ExecSCSICmd& request, const Command& command, const Result& result) {
  uint8_t* to = ProgramBuffer(request);
  if (!RunsOnCaller(request)) {
    std::memcpy(to, command.data, command.length);
    return;
  }
  const uint32_t moved = result.error != 0 ? 0 : command.length - std::min(result.residual, command.length);
  if (moved > 0) std::memcpy(to, command.data, moved);
  std::memset(to + moved, 0, command.length - moved);
}

}  // namespace

Device::Device(std::unique_ptr<Node> node, std::string label) : node_(std::move(node)), label_(std::move(label)) {}

Device::~Device() {
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
  }
  wake_.notify_one();
  if (worker_.joinable()) worker_.join();
}

uint8_t Device::Submit(aspi::SRB_ExecSCSICmd* request) {
  std::unique_lock lock(mutex_);
  if (!node_) {
    // The node could not be opened again after a hold: the unit is gone.
    manager::CompleteAtOnce(request, aspi::SS_NO_DEVICE, aspi::HASTAT_SEL_TO);
    return aspi::SS_NO_DEVICE;
  }
  PublishStatus(request, aspi::SS_PENDING);
  // Only with nothing queued: a command never overtakes one sent before it.
  const bool nothingQueued = queue_.empty() && current_ == nullptr && !handedOver_;
  if (nothingQueued && (request->SRB_Flags & aspi::SRB_QUEUE_AHEAD) != 0 && RunsOnCaller(*request) &&
      SendAhead(request))
    return aspi::SS_PENDING;
  if (nothingQueued && flights_.empty() && RunsOnCaller(*request)) {
    if (RunOnCaller(lock, request)) return __atomic_load_n(&request->SRB_Status, __ATOMIC_ACQUIRE);
    return aspi::SS_PENDING;
  }
  queue_.push_back(request);
  WakeWorker();
  return aspi::SS_PENDING;
}

bool Device::RunOnCaller(std::unique_lock<std::mutex>& lock, aspi::SRB_ExecSCSICmd* request) {
  Command command;
  Ready(request, command);
  lock.unlock();
  const bool begun = node_->Begin(command);
  std::optional<Result> result;
  if (begun) result = node_->Collect(kCallerWaitMs);
  lock.lock();
  if (result) {
    Complete(request, command, *result);
    return true;
  }
  if (begun) {
    // Still in the kernel: the worker waits for its answer.
    handed_ = command;
    handedOver_ = true;
  } else {
    // The node runs no command in halves: the worker runs it whole.
    current_ = nullptr;
    queue_.push_front(request);
  }
  WakeWorker();
  return false;
}

bool Device::SendAhead(aspi::SRB_ExecSCSICmd* request) {
  if (aheadRefused_ || flights_.size() >= kAheadDepth) return false;
  std::unique_ptr<Flight> flight;
  if (spareFlights_.empty()) {
    flight = std::make_unique<Flight>();
  } else {
    flight = std::move(spareFlights_.back());
    spareFlights_.pop_back();
  }
  flight->request = request;
  flight->abandoned = false;
  nextTag_ = (nextTag_ % 0x7FFFFFFF) + 1;
  flight->tag = nextTag_;
  std::memcpy(flight->cdb, request->CDBByte, request->SRB_CDBLen);
  Command& command = flight->command;
  command.cdb = flight->cdb;
  command.cdbLength = request->SRB_CDBLen;
  command.direction = DirectionOf(*request);
  command.length = command.direction == Direction::None ? 0 : request->SRB_BufLen;
  if (flight->data.size() < command.length) flight->data.resize(command.length);
  command.data = flight->data.data();
  if (command.direction == Direction::Out) std::memcpy(command.data, ProgramBuffer(*request), command.length);
  command.timeoutMs = KernelTimeoutMs(flight->cdb[0]);
  if (!node_->Queue(command, flight->tag)) {
    // The node keeps no commands queued (opened for reading only, or no
    // such node): every command takes the usual way from now on.
    aheadRefused_ = true;
    spareFlights_.push_back(std::move(flight));
    return false;
  }
  flights_.push_back(std::move(flight));
  WakeWorker();
  return true;
}

void Device::CollectAhead(std::unique_lock<std::mutex>& lock) {
  lock.unlock();
  std::optional<TaggedResult> answer = node_->CollectAny(-1);
  lock.lock();
  if (!answer) return;
  auto match = std::find_if(flights_.begin(), flights_.end(),
                            [&answer](const std::unique_ptr<Flight>& flight) { return flight->tag == answer->tag; });
  if (match == flights_.end()) return;
  std::unique_ptr<Flight> flight = std::move(*match);
  flights_.erase(match);
  if (!flight->abandoned) Finish(flight->request, flight->command, answer->result);
  spareFlights_.push_back(std::move(flight));
  idle_.notify_all();
}

void Device::WakeWorker() {
  if (!worker_.joinable()) worker_ = std::thread([this] { Run(); });
  wake_.notify_one();
}

uint8_t Device::Abort(const aspi::SRB_ExecSCSICmd* request) {
  std::lock_guard lock(mutex_);
  auto queued = std::find(queue_.begin(), queue_.end(), request);
  if (queued != queue_.end()) {
    aspi::SRB_ExecSCSICmd* stopped = *queued;
    queue_.erase(queued);
    FinishAborted(stopped);
    return aspi::SS_COMP;
  }
  for (const std::unique_ptr<Flight>& flight : flights_) {
    if (flight->request != request || flight->abandoned) continue;
    flight->abandoned = true;
    FinishAborted(flight->request);
    ReportOnce("abandoned " + label_, label_ + ": a command the kernel could not stop was answered as aborted; the "
                                               "unit takes its next command when the kernel gives that one back.");
    return aspi::SS_COMP;
  }
  if (current_ != request || current_ == nullptr || currentAbandoned_) return aspi::SS_ABORT_FAIL;
  currentAbandoned_ = true;
  FinishAborted(current_);
  ReportOnce("abandoned " + label_, label_ + ": a command the kernel could not stop was answered as aborted; the "
                                             "unit takes its next command when the kernel gives that one back.");
  return aspi::SS_COMP;
}

void Device::SwapNode(const std::function<std::unique_ptr<Node>()>& reopen) {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return current_ == nullptr && queue_.empty() && !handedOver_ && flights_.empty(); });
  node_.reset();
  node_ = reopen();
}

void Device::Run() {
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, nullptr);
  aspi::SRB_ExecSCSICmd* request = nullptr;
  Command command;
  bool collect = false;
  while (Take(request, command, collect)) {
    std::optional<Result> result;
    if (collect) {
      while (!result) result = node_->Collect(-1);
    } else {
      result = node_->Run(command);
    }
    std::lock_guard lock(mutex_);
    Complete(request, command, *result);
  }
}

void Device::Complete(aspi::SRB_ExecSCSICmd* request, const Command& command, const Result& result) {
  if (!currentAbandoned_) Finish(request, command, result);
  current_ = nullptr;
  currentAbandoned_ = false;
  idle_.notify_all();
}

bool Device::Take(aspi::SRB_ExecSCSICmd*& request, Command& command, bool& collect) {
  std::unique_lock lock(mutex_);
  // Commands sent ahead are in the kernel before anything queued after them.
  for (;;) {
    wake_.wait(lock, [this] { return ending_ || handedOver_ || !queue_.empty() || !flights_.empty(); });
    if (handedOver_ || flights_.empty()) break;
    CollectAhead(lock);
  }
  // A command in the kernel is waited for even when ending.
  collect = handedOver_;
  if (handedOver_) {
    handedOver_ = false;
    request = current_;
    command = handed_;
    return true;
  }
  if (ending_) return false;
  request = queue_.front();
  queue_.pop_front();
  Ready(request, command);
  return true;
}

void Device::Ready(aspi::SRB_ExecSCSICmd* request, Command& command) {
  current_ = request;
  currentAbandoned_ = false;
  // Everything the command needs is copied now, while the block and the
  // buffer are surely the program's to lend.
  std::memcpy(cdb_, request->CDBByte, request->SRB_CDBLen);
  command.cdb = cdb_;
  command.cdbLength = request->SRB_CDBLen;
  command.direction = DirectionOf(*request);
  command.length = command.direction == Direction::None ? 0 : request->SRB_BufLen;
  if (data_.size() < command.length) data_.resize(command.length);
  command.data = data_.data();
  if (command.direction == Direction::Out) std::memcpy(data_.data(), ProgramBuffer(*request), command.length);
  // Bytes a short answer leaves out read as zeros, whatever the last
  // command left in the buffer. A data command's answer says how much it
  // left out, and Finish clears just that: clearing its whole transfer
  // first would cost one more pass over every byte a copy moves.
  if (command.direction == Direction::In && !RunsOnCaller(*request)) std::memset(data_.data(), 0, command.length);
  command.timeoutMs = KernelTimeoutMs(cdb_[0]);
}

void Device::Finish(aspi::SRB_ExecSCSICmd* request, const Command& command, const Result& result) {
  const Completion done = Translate(result);
  if (command.direction == Direction::In) CopyAnswer(*request, command, result);
  request->SRB_HaStat = done.hostStatus;
  request->SRB_TargStat = done.targetStatus;
  const size_t senseRoom = std::min<size_t>(request->SRB_SenseLen, aspi::kSenseAreaSize);
  std::memset(request->SenseArea, 0, senseRoom);
  std::memcpy(request->SenseArea, done.sense.data(), std::min(senseRoom, done.senseLength));
  if (!done.problem.empty()) {
    ReportOnce(label_ + " " + done.problem, label_ + ": command " + Hex(command.cdb[0]) + " failed: " +
                                                 done.problem + ".");
  }
  PublishStatus(request, done.status);
  manager::SignalCompletion(request);
}

}  // namespace sg
