// SPDX-License-Identifier: GPL-3.0-or-later
// Device: one logical unit behind a SCSI generic node, with the worker
// thread that carries out its execute requests in order of arrival.
//
// Submit queues a request as pending; the worker copies its command block
// (and the data it sends) into buffers of its own, runs it through the node
// and, unless it was aborted meanwhile, copies the data that came back into
// the program's buffer, fills host adapter status, target status and sense
// area, stores the request status last and only then signals the request's
// event.
//
// A data command (READ, WRITE) that finds the unit idle skips the worker:
// Submit sends it on the caller's thread and waits up to kCallerWaitMs for
// the answer, so that it usually returns the request completed, with no
// hand-over to another thread and back. A command that takes longer is left
// to the worker, which waits for the rest of it, and Submit returns it
// pending: a hung drive never holds the caller (the program's Cancel) for
// longer than that, and the request can be aborted as any other. (A node
// that cannot run a command in halves, Node.h, sends everything through
// the worker.)
//
// A data command sent with SRB_QUEUE_AHEAD, while the unit has nothing
// queued and at most one other such command in the kernel, is handed to the
// kernel at once and returned pending: the program sends the unit's next
// command before it waits for this one, so the drive has that one in hand
// when this one ends. The worker collects their answers, in whatever order
// the kernel gives them, each through a transfer buffer of its own. Anything
// else the unit is sent meanwhile waits in the queue until both are back.
//
// The kernel cannot stop a command it has been given. Abort therefore stops
// a queued request outright, and answers one already in the kernel as
// aborted at once: its status turns SS_ABORTED and its event is signalled,
// and from then on the block and the program's buffer are the program's
// again. The kernel moves that command's data through the worker's own
// buffer, and when its late answer comes it is dropped without touching the
// block. The next request of the unit waits for that answer (the kernel's
// time-out bounds the wait, CommandTimeouts.h).
//
// The worker starts with the first request, blocks every signal (an SG_IO
// call must not be interrupted) and is joined when the object ends, after
// the command in the kernel, if any, has come back; requests still queued
// then are dropped untouched.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/aspi/AspiSrb.h"
#include "managers/sg/Node.h"

namespace sg {

class Device {
 public:
  static constexpr int kCallerWaitMs = 250;
  // Commands sent ahead that the unit keeps in the kernel at once.
  static constexpr size_t kAheadDepth = 2;

  // label names the unit in log lines ("0,1,0 (sg1)").
  Device(std::unique_ptr<Node> node, std::string label);
  ~Device();
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  // Runs or queues a well-formed execute request; returns its status:
  // SS_PENDING unless it completed on the caller's thread.
  uint8_t Submit(aspi::SRB_ExecSCSICmd* request);
  // SS_COMP when the request was queued or running here (it is now answered
  // as aborted), SS_ABORT_FAIL when it is not in flight on this unit.
  uint8_t Abort(const aspi::SRB_ExecSCSICmd* request);

  // Closes the node and puts the one `reopen` makes in its place, once no
  // command of the unit is in the kernel and none is queued (the exclusive
  // hold: the old descriptor must be closed before an O_EXCL open can
  // succeed). A unit whose reopen fails answers as no longer there.
  void SwapNode(const std::function<std::unique_ptr<Node>()>& reopen);

 private:
  void Run();
  // Takes the next request and readies its command; false when ending.
  // collect: the command was begun on a caller's thread, and only its
  // answer is to be waited for.
  bool Take(aspi::SRB_ExecSCSICmd*& request, Command& command, bool& collect);
  // Makes request the unit's current one and copies what its command needs
  // (under mutex_).
  void Ready(aspi::SRB_ExecSCSICmd* request, Command& command);
  // Under mutex_: ends the current request with result unless it was
  // answered as aborted meanwhile.
  void Complete(aspi::SRB_ExecSCSICmd* request, const Command& command, const Result& result);
  void Finish(aspi::SRB_ExecSCSICmd* request, const Command& command, const Result& result);
  // Tries the current request on the caller's thread; true when it ended
  // there, false when the worker has it now (handed over or queued).
  bool RunOnCaller(std::unique_lock<std::mutex>& lock, aspi::SRB_ExecSCSICmd* request);
  void WakeWorker();

  // A command sent ahead, in the kernel with a buffer of its own.
  struct Flight {
    aspi::SRB_ExecSCSICmd* request = nullptr;
    uint32_t tag = 0;
    Command command;
    uint8_t cdb[16] = {};
    std::vector<uint8_t> data;
    bool abandoned = false;  // answered as aborted; its answer is dropped
  };
  // Under mutex_: hands request to the kernel as a command sent ahead; false
  // when it cannot go that way (it then takes the usual way).
  bool SendAhead(aspi::SRB_ExecSCSICmd* request);
  // On the worker: waits for the answer of a command sent ahead and ends it.
  void CollectAhead(std::unique_lock<std::mutex>& lock);

  std::unique_ptr<Node> node_;
  std::string label_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;  // a command came back from the kernel
  std::deque<aspi::SRB_ExecSCSICmd*> queue_;
  aspi::SRB_ExecSCSICmd* current_ = nullptr;  // in the kernel
  bool currentAbandoned_ = false;             // answered as aborted; its answer is dropped
  bool handedOver_ = false;                   // current_ was begun on a caller's thread; the worker collects it
  Command handed_;
  bool ending_ = false;
  uint8_t cdb_[16] = {};
  std::vector<uint8_t> data_;  // the worker's own transfer buffer; keeps its room
  std::deque<std::unique_ptr<Flight>> flights_;  // sent ahead, in the kernel
  std::vector<std::unique_ptr<Flight>> spareFlights_;
  uint32_t nextTag_ = 0;
  bool aheadRefused_ = false;  // the node keeps no commands queued
  std::thread worker_;         // started by the first Submit, joined by the destructor
};

}  // namespace sg
