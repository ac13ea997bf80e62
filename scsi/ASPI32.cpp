// SPDX-License-Identifier: GPL-3.0-or-later
#include "scsi/ASPI32.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

#include "base/Log.h"
#include "base/TextFormat.h"
#include "host/os/Sleep.h"
#include "host/ui/MessageBox.h"
#include "scsi/AspiManager.h"
#include "scsi/ParkedEvents.h"
#include "scsi/Pause.h"
#include "scsi/SenseDecoder.h"

namespace {

constexpr int kEventAttempts = 10;
// A finite wait limit runs on the time scale like the program's pauses, but
// never shorter than this, so that a slow answer on a busy machine is not
// taken for a dead target.
constexpr uint32_t kShortestWaitMs = 500;
// How long a manager that breaks its contract is waited for: the signal of
// a request it completed at once, the status of a request it signalled.
// A manager that keeps the contract needs none of it; once one was found
// breaking it, nothing more is waited for.
constexpr uint32_t kContractGraceMs = 100;

void InternalError(const char* text, const char* caption = "Internal Error") {
  ui::MessageBox(text, caption, ui::kOk);
}

uint32_t WaitLimit(uint32_t ms) {
  if (ms == host::kInfinite) return ms;
  return std::max(host::ScaledMs(ms), std::min(ms, kShortestWaitMs));
}

bool Pending(const uint8_t& status) { return __atomic_load_n(&status, __ATOMIC_ACQUIRE) == aspi::SS_PENDING; }

}  // namespace

ASPI32::ASPI32() { LoadAspiManager(AspiLoadForm::Object, &status_); }

ASPI32::~ASPI32() {
  lastRequest_.fill(0);
  lastRequestLength_ = 0;
}

void ASPI32::SetCommandName(std::string_view name) {
  commandName_.fill('\0');
  std::memcpy(commandName_.data(), name.data(), std::min(name.size(), commandName_.size() - 1));
}

void ASPI32::KeepRequest(const void* block, size_t length) {
  lastRequestLength_ = std::min(length, lastRequest_.size());
  lastRequest_.fill(0);
  std::memcpy(lastRequest_.data(), block, lastRequestLength_);
}

bool ASPI32::HaveEvent() {
  for (int attempt = 0; !event_ && attempt < kEventAttempts; ++attempt) {
    host::EventFd made;
    if (made.IsValid()) event_.emplace(std::move(made));
  }
  if (event_) return true;
  InternalError("ASPI failed for creation event.");
  return false;
}

void ASPI32::GiveUpEvent() {
  if (event_) scsi::ParkEvent(std::move(*event_));
  event_.reset();
}

void ASPI32::ReportManagerFault(const char* what) {
  // Once: every request it gives up fails with its own report anyway.
  if (!NoteManagerFault()) return;
  const std::string text = FormatText("The SCSI manager misbehaves: %s Such requests are given up.", what);
  AddLog("[ASPI32] " + text);
  ui::MessageBox(text, "Internal Error", ui::kOk | ui::kIconError);
}

void ASPI32::TakeCompletionSignal() {
  // A manager that keeps the contract has signalled before it returned or
  // signals right after: the wait is one read.
  const uint32_t grace = ManagerFaultNoted() ? 0 : kContractGraceMs;
  switch (event_->Wait(grace)) {
    case host::WaitResult::Signalled:
      return;
    case host::WaitResult::TimedOut:
      // The signal may still come: this event must never end another wait.
      GiveUpEvent();
      ReportManagerFault("it completed a request without signalling its event.");
      return;
    case host::WaitResult::Abandoned:
      // The descriptor is no longer the event (the manager closed it).
      event_->Release();
      event_.reset();
      return;
  }
}

void ASPI32::AwaitSignalledStatus() {
  // The status is stored before the signal; a manager that signals first
  // gets a short grace to store it.
  const aspi::SRB_ExecSCSICmd& block = execute_.Block();
  if (!ManagerFaultNoted()) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kContractGraceMs);
    while (Pending(block.SRB_Status) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (Pending(block.SRB_Status)) ReportManagerFault("it signalled the end of a request that it left pending.");
}

int ASPI32::SendRequest(void* block, size_t length, uint32_t timeoutMs) {
  aspi::SendCommandFn send = AspiSendFunction();
  if (send == nullptr) {
    InternalError("ASPI SendFunction is NULL.");
    return -1;
  }
  if (!HaveEvent()) return -1;
  KeepRequest(block, length);
  auto* header = static_cast<aspi::SRB_Header*>(block);
  if (send(block) == aspi::SS_ASPI_IS_BUSY) {
    ++busyAnswers_;
    InternalError("ASPI is busy.", "Interrupt");
    return -1;
  }
  // These blocks carry no event: a manager answers them before it returns,
  // and nothing signals the event.
  host::WaitResult wait = host::WaitResult::Signalled;
  if (Pending(header->SRB_Status)) wait = event_->Wait(WaitLimit(timeoutMs));
  const uint8_t status = __atomic_load_n(&header->SRB_Status, __ATOMIC_ACQUIRE);
  status_ = status;
  if (wait == host::WaitResult::Abandoned) {
    event_->Release();
    event_.reset();
    InternalError("SCSI Request is abnormal terminated.");
  }
  return status;
}

int ASPI32::HostAdapterInquiry(uint8_t adapter, uint8_t* adapterCount, uint8_t* adapterScsiId, uint8_t* managerId,
                               uint8_t* identifier, uint8_t* unique) {
  haInquiry_.Init(0);
  aspi::SRB_HAInquiry& block = haInquiry_.Block();
  block.SRB_HaId = adapter;
  int status = SendRequest(&block, sizeof block, host::kInfinite);
  if (adapterCount != nullptr) *adapterCount = block.HA_Count;
  if (adapterScsiId != nullptr) *adapterScsiId = block.HA_SCSI_ID;
  if (managerId != nullptr) std::memcpy(managerId, block.HA_ManagerId, sizeof block.HA_ManagerId);
  if (identifier != nullptr) std::memcpy(identifier, block.HA_Identifier, sizeof block.HA_Identifier);
  if (unique != nullptr) std::memcpy(unique, block.HA_Unique, sizeof block.HA_Unique);
  return status;
}

int ASPI32::RescanBus(uint8_t adapter) {
  aspi::SRB_RescanPort block{};
  block.SRB_Cmd = aspi::SC_RESCAN_SCSI_BUS;
  block.SRB_HaId = adapter;
  return SendRequest(&block, sizeof block, host::kInfinite);
}

int ASPI32::Execute(uint32_t timeoutMs) {
  lastTimeout_ = timeoutMs;
  if (Send() < 0) return -1;
  return Await(timeoutMs);
}

int ASPI32::Send() {
  aspi::SRB_ExecSCSICmd& block = execute_.Block();
  aspi::SendCommandFn send = AspiSendFunction();
  if (send == nullptr) {
    InternalError("ASPI SendFunction is NULL.");
    return -1;
  }
  if (!HaveEvent()) return -1;
  block.SRB_PostProc = static_cast<uint64_t>(event_->Handle());
  KeepRequest(&block, aspi::kExecHeadLength);
  sentStatus_ = static_cast<uint8_t>(send(&block));
  if (sentStatus_ == aspi::SS_ASPI_IS_BUSY) {
    // Turned away untouched: nothing will signal the event.
    ++busyAnswers_;
    InternalError("ASPI is busy.", "Interrupt");
    return -1;
  }
  return 0;
}

void ASPI32::AdoptResult(const ASPI32& other) {
  execute_.Block() = other.execute_.Block();
  status_ = other.status_;
  senseKey_ = other.senseKey_;
  asc_ = other.asc_;
  ascq_ = other.ascq_;
  lastRequest_ = other.lastRequest_;
  lastRequestLength_ = other.lastRequestLength_;
  lastTimeout_ = other.lastTimeout_;
}

// What send() returned, not the block's status now: a request the manager
// kept may have completed since.
bool ASPI32::SentPending() const { return sentStatus_ == aspi::SS_PENDING; }

int ASPI32::Await(uint32_t timeoutMs) {
  aspi::SRB_ExecSCSICmd& block = execute_.Block();
  lastTimeout_ = timeoutMs;
  const bool signals = (block.SRB_Flags & aspi::SRB_EVENT_NOTIFY) != 0;
  host::WaitResult wait = host::WaitResult::Signalled;
  if (Pending(block.SRB_Status)) {
    wait = event_->Wait(WaitLimit(timeoutMs));
    if (wait == host::WaitResult::Signalled && Pending(block.SRB_Status)) AwaitSignalledStatus();
  } else if (signals) {
    TakeCompletionSignal();
  }

  status_ = execute_.GetStatus();
  senseKey_ = block.SenseArea[2];
  asc_ = block.SenseArea[12];
  ascq_ = block.SenseArea[13];

  if (wait == host::WaitResult::TimedOut) {
    AbortRequest();
    // An abort that took effect signals the event; one that did not leaves
    // the request, and its event, with the manager for good.
    if (Pending(block.SRB_Status))
      GiveUpEvent();
    else if (signals)
      TakeCompletionSignal();
    PrintDataBuffer(lastRequest_.data(), static_cast<uint32_t>(lastRequestLength_), "Canceled Srb");
    TraceOut("TimeOut.\r\n");
    return execute_.GetStatus();
  }
  if (wait == host::WaitResult::Abandoned) {
    // The descriptor is no longer the event (the manager closed it).
    event_->Release();
    event_.reset();
    InternalError("SCSI Request is abnormal terminated.");
  }
  return execute_.GetStatus();
}

int ASPI32::AbortRequest() {
  abort_.Init(0);
  aspi::SRB_Abort& block = abort_.Block();
  block.SRB_HaId = lastRequest_[2];
  block.SRB_ToAbort = reinterpret_cast<uintptr_t>(&execute_.Block());
  aspi::SendCommandFn send = AspiSendFunction();
  if (send == nullptr) {
    InternalError("ASPI SendFunction is NULL.", "Error");
    return -1;
  }
  status_ = static_cast<int32_t>(send(&block));
  if (status_ != aspi::SS_COMP && status_ != aspi::SS_PENDING) return status_;
  for (int waits = 0; abort_.GetStatus() == aspi::SS_PENDING;) {
    scsi::Pause(kAbortPollMs);
    if (++waits == kAbortPollCount) break;
  }
  return status_;
}

bool ASPI32::GetSenseData(uint8_t* buffer) const {
  const uint8_t* sense = execute_.GetSenseArea();
  std::memcpy(buffer, sense, kSenseDataSize);
  return sense[2] == 0;
}

bool ASPI32::GetSenseInfo(uint8_t* key, uint8_t* asc, uint8_t* ascq, std::string* text) const {
  const uint8_t* sense = execute_.GetSenseArea();
  if (key != nullptr) *key = sense[2];
  if (asc != nullptr) *asc = sense[12];
  if (ascq != nullptr) *ascq = sense[13];
  if (text != nullptr) *text = DecodeSense(std::span<const uint8_t>(sense, aspi::kSenseAreaSize));
  return sense[2] == 0 && sense[12] == 0 && sense[13] == 0;
}

bool ASPI32::LogSenseInfo() const {
  uint8_t key = 0, asc = 0, ascq = 0;
  std::string text;
  bool clean = GetSenseInfo(&key, &asc, &ascq, &text);
  AddLog(FormatText("%X-%02X-%02X: %s\n", key, asc, ascq, text.c_str()));
  return clean;
}
