// Adapter: one host adapter of the simulated bus with the drives behind it
// and one worker thread that runs their commands in order of arrival.
//
// An execute request is queued as pending and completed on the worker: the
// host adapter status, target status and sense area are filled first, the
// request status last, and only then is the request's eventfd signalled. A
// request whose device hangs stays parked until it is aborted. The worker is
// owned by the adapter and joined when the adapter ends; requests still
// queued then are dropped without being touched.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "host/aspi/AspiSrb.h"
#include "host/simbus/Drive.h"

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
  void Run(std::stop_token stop);
  void Execute(aspi::SRB_ExecSCSICmd* request);

  std::map<uint16_t, std::unique_ptr<Drive>> drives_;  // by id << 8 | lun
  mutable std::mutex mutex_;
  std::condition_variable_any wake_;
  std::condition_variable_any finished_;
  std::deque<aspi::SRB_ExecSCSICmd*> queue_;
  std::vector<aspi::SRB_ExecSCSICmd*> hung_;
  aspi::SRB_ExecSCSICmd* current_ = nullptr;
  std::atomic<bool> abortCurrent_{false};
  std::jthread worker_;  // last: stopped and joined before the rest goes
};

// Completes a request that never reached a drive (no device, bad block).
void CompleteAtOnce(aspi::SRB_ExecSCSICmd* request, uint8_t status, uint8_t hostStatus);

}  // namespace simbus
