// SPDX-License-Identifier: GPL-3.0-or-later
// ASPI32: the request channel of one device (or of one scan, inquiry or
// firmware run). It holds one block of each kind, sends them to the process's
// SCSI manager and waits for their completion, one request at a time.
//
// Results of HostAdapterInquiry, RescanBus and Execute: -1 when the request
// could not be made (no manager, no event, manager busy), otherwise the
// block's SRB_Status: 0x01 (aspi::SS_COMP) is the only success, 0x00 a request
// that timed out and could not be aborted, 0x02 aborted, 0x04 completed with
// sense data, 0x81/0x82 no adapter/no device at the address.
//
// How a request is waited for: the channel keeps one event (an eventfd) for
// all its requests, made at its first request. A request that is pending
// when the manager takes it is waited for on the event (a blocking wait, up
// to the request's time-out); one that the manager completed at once is not
// waited for, but its completion signal is taken off the event before the
// event serves the next request, so that no signal of one request can end
// the wait of another. The event changes hands only when a request is given
// up while the manager may still signal it (an abort that never took effect,
// a completion that never signalled): that event is never used or closed
// again while a bounded number of such events are kept (ParkedEvents.h), and
// the channel makes a new one. A manager that signals a request but leaves
// it pending is told to the person once; the request is given up after a
// short grace and the event, whose signal has come, serves on.
//
// A channel is used by one thread at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "host/aspi/AspiSrb.h"
#include "host/os/Event.h"
#include "scsi/Srb.h"

class ASPI32 {
 public:
  static constexpr size_t kCommandNameSize = 128;
  static constexpr size_t kSenseDataSize = aspi::kSenseLength;
  // How often and how long the program polls an abort before it gives up.
  static constexpr int kAbortPollCount = 12;
  static constexpr uint32_t kAbortPollMs = 1000;

  // Loads the manager on first use (the object form of LoadAspiManager); the
  // result is kept in Status() and not reported further.
  ASPI32();
  ~ASPI32();
  ASPI32(const ASPI32&) = delete;
  ASPI32& operator=(const ASPI32&) = delete;

  // Asks adapter for its description; each out argument may be nullptr, the
  // three identifiers take 16 bytes each.
  int HostAdapterInquiry(uint8_t adapter, uint8_t* adapterCount = nullptr, uint8_t* adapterScsiId = nullptr,
                         uint8_t* managerId = nullptr, uint8_t* identifier = nullptr, uint8_t* unique = nullptr);
  int RescanBus(uint8_t adapter);

  // Sends the execute block as the command routine filled it (after
  // ExecuteBlock().Init(flags)) and waits at most timeoutMs (host::kInfinite:
  // no limit) for it. A request that times out is aborted; its block and the
  // "Canceled Srb" dump and "TimeOut.\r\n" go to the trace output.
  int Execute(uint32_t timeoutMs);
  // Execute in two halves, for a command sent before the one ahead of it
  // is waited for (another channel's): Send hands the execute block to the
  // manager (-1 when that could not be done: nothing is then to be waited
  // for), Await waits for it and ends it as Execute does. SentPending says
  // whether the manager still had the request when Send returned.
  int Send();
  bool SentPending() const;
  int Await(uint32_t timeoutMs);
  // Takes over the outcome of other's last execute request (block, status
  // and sense), as if this channel had sent it: a command sent ahead on a
  // second channel is then retried and reported through this one.
  void AdoptResult(const ASPI32& other);

  // Copies the first 144 bytes of the last command's sense area into buffer;
  // true when sense byte 2 is 0.
  bool GetSenseData(uint8_t* buffer) const;
  // Sense key byte, ASC and ASCQ of the last command into whichever pointers
  // are given, and its decoded message into text; true when all three are 0.
  bool GetSenseInfo(uint8_t* key, uint8_t* asc, uint8_t* ascq, std::string* text) const;
  // GetSenseInfo with text, logged as "%X-%02X-%02X: %s\n".
  bool LogSenseInfo() const;

  int32_t Status() const { return status_; }
  // How many requests of this channel the manager has turned away as busy
  // (SS_ASPI_IS_BUSY): such a request never reached the drive, and the sense
  // the channel holds is that of an earlier one.
  uint32_t BusyAnswers() const { return busyAnswers_; }
  uint8_t SenseKey() const { return senseKey_; }
  uint8_t Asc() const { return asc_; }
  uint8_t Ascq() const { return ascq_; }

  ExecuteSRB& ExecuteBlock() { return execute_; }
  const ExecuteSRB& ExecuteBlock() const { return execute_; }
  HAInqSRB& InquiryBlock() { return haInquiry_; }
  ResetSRB& ResetBlock() { return reset_; }
  AbortSRB& AbortBlock() { return abort_; }
  const AbortSRB& AbortBlock() const { return abort_; }

  // The copy of the last block sent, up to the end of its command block.
  std::span<const uint8_t> LastRequest() const { return {lastRequest_.data(), lastRequestLength_}; }
  // The wait limit of the last Execute, as the command routine asked for it.
  uint32_t LastTimeout() const { return lastTimeout_; }

  // The name of the last command, kept for error reports.
  void SetCommandName(std::string_view name);
  const char* CommandName() const { return commandName_.data(); }

 private:
  int SendRequest(void* block, size_t length, uint32_t timeoutMs);
  int AbortRequest();
  // The channel's event, made when missing; false (with the box) when none
  // can be made.
  bool HaveEvent();
  // After a request that asked for a signal has completed: takes its signal
  // off the event, or gives the event up when the signal does not come.
  void TakeCompletionSignal();
  // The request was signalled but is still pending: waits a short grace for
  // its status, and tells the person once when it stays pending.
  void AwaitSignalledStatus();
  // The manager may still signal the event: it is kept aside, never used
  // again, and the next request gets a new one.
  void GiveUpEvent();
  void ReportManagerFault(const char* what);
  void KeepRequest(const void* block, size_t length);

  int32_t status_ = 0;
  uint8_t senseKey_ = 0;
  uint8_t asc_ = 0;
  uint8_t ascq_ = 0;
  std::optional<host::EventFd> event_;  // serves every request of the channel
  HAInqSRB haInquiry_;
  ExecuteSRB execute_;
  ResetSRB reset_;
  AbortSRB abort_;
  std::array<uint8_t, aspi::kExecHeadLength> lastRequest_{};
  size_t lastRequestLength_ = 0;
  uint32_t lastTimeout_ = 0;
  uint32_t busyAnswers_ = 0;
  uint8_t sentStatus_ = 0;  // what the manager's send returned for the last execute request
  std::array<char, kCommandNameSize> commandName_{};
};
