// SPDX-License-Identifier: GPL-3.0-or-later
// Adapter: one host adapter of the simulated bus with the drives behind it
// and one worker thread that runs their commands in order of arrival.
//
// An execute request is queued as pending and completed on the worker: the
// host adapter status, target status and sense area are filled first, the
// request status last, and only then is the request's eventfd signalled. A
// request whose device hangs stays parked until it is aborted. A data
// command that never waits (a drive without a speed, no hang fault) is
// completed at once on the caller's thread while the worker is idle, as the
// manager contract allows: a hand-over to the worker and back would cost
// more than the command. The worker is
// owned by the adapter and joined when the adapter ends; requests still
// queued then are dropped without being touched.
//
// The worker sleeps while its queue is empty; Submit wakes it only when it
// sleeps. The commands whose latency counts (data commands that never wait)
// do not pass through it at all.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "host/aspi/AspiSrb.h"
#include "managers/simbus/Drive.h"

namespace simbus {

class Adapter {
 public:
  Adapter();
  ~Adapter();
  Adapter(const Adapter&) = delete;
  Adapter& operator=(const Adapter&) = delete;

  void AddDrive(std::unique_ptr<Drive> drive);
  Drive* Find(uint8_t id, uint8_t lun) const;
  std::vector<Drive*> Drives() const;

  // Takes an execute request; returns its status at the time of return.
  uint8_t Submit(aspi::SRB_ExecSCSICmd* request);
  // Stops a request in flight: SS_COMP when it was stopped (its status is
  // then SS_ABORTED and its event signalled), SS_ABORT_FAIL when it is not
  // in flight on this adapter.
  uint8_t Abort(const aspi::SRB_ExecSCSICmd* request);
  void Rescan();

 private:
  void Run();
  // A data command of a drive without a speed never waits: Submit runs it
  // on the caller's thread when the worker is idle, and returns its final
  // status (the event is signalled as ever).
  static bool NeverWaits(Drive& drive, const aspi::SRB_ExecSCSICmd& request);
  uint8_t ExecuteHere(aspi::SRB_ExecSCSICmd* request, Drive& drive);
  static ScsiCommand CommandOf(aspi::SRB_ExecSCSICmd* request);
  // The next request, or nullptr when the adapter is ending.
  aspi::SRB_ExecSCSICmd* Next();
  void Execute(aspi::SRB_ExecSCSICmd* request);

  std::map<uint16_t, std::unique_ptr<Drive>> drives_;  // by id << 8 | lun
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable finished_;
  // In order of arrival. Rarely more than one or two long: a vector keeps
  // its room, where a deque would allocate and free a node every 64
  // requests.
  std::vector<aspi::SRB_ExecSCSICmd*> queue_;
  bool sleeping_ = false;          // the worker waits on wake_
  bool ending_ = false;
  std::vector<aspi::SRB_ExecSCSICmd*> hung_;
  aspi::SRB_ExecSCSICmd* current_ = nullptr;
  std::atomic<bool> abortCurrent_{false};
  std::jthread worker_;  // last: stopped and joined before the rest goes
};

}  // namespace simbus
