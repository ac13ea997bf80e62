#include "scsi/ASPI32.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <mutex>
#include <vector>

#include "base/Log.h"
#include "host/os/Event.h"
#include "host/os/Sleep.h"
#include "host/os/SpinWait.h"
#include "host/ui/MessageBox.h"
#include "scsi/AspiManager.h"
#include "scsi/Pause.h"
#include "scsi/SenseDecoder.h"
#include "base/TextFormat.h"

namespace {

constexpr int kEventAttempts = 10;
// A finite wait limit runs on the time scale like the program's pauses, but
// never shorter than this, so that a slow answer on a busy machine is not
// taken for a dead target.
constexpr uint32_t kShortestWaitMs = 500;

void InternalError(const char* text, const char* caption = "Internal Error") {
  ui::MessageBox(text, caption, ui::kOk);
}

uint32_t WaitLimit(uint32_t ms) {
  if (ms == host::kInfinite) return ms;
  return std::max(host::ScaledMs(ms), std::min(ms, kShortestWaitMs));
}

// Events of requests that the manager still holds after a failed abort. They
// stay open for the life of the process: closing one would let a late
// completion write into whatever file reuses its descriptor number.
void ParkEvent(host::EventFd& event) {
  static std::mutex mutex;
  static std::vector<int> parked;
  std::lock_guard lock(mutex);
  parked.push_back(event.Release());
}

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

bool ASPI32::CreateEvent(std::optional<host::EventFd>& event) {
  for (int attempt = 0; attempt < kEventAttempts; ++attempt) {
    event.emplace();
    if (event->IsValid()) {
      event_ = event->Handle();
      return true;
    }
    event.reset();
  }
  InternalError("ASPI failed for creation event.");
  return false;
}

void ASPI32::CloseEvent(std::optional<host::EventFd>& event, bool stillHeld) {
  event_ = -1;
  if (!event) return;
  if (stillHeld)
    ParkEvent(*event);
  else
    event->Reset();
  event.reset();
}

int ASPI32::SendRequest(void* block, size_t length, uint32_t timeoutMs) {
  aspi::SendCommandFn send = AspiSendFunction();
  if (send == nullptr) {
    InternalError("ASPI SendFunction is NULL.");
    return -1;
  }
  std::optional<host::EventFd> event;
  if (!CreateEvent(event)) return -1;
  KeepRequest(block, length);
  auto* header = static_cast<aspi::SRB_Header*>(block);
  if (send(block) == aspi::SS_ASPI_IS_BUSY) {
    ++busyAnswers_;
    InternalError("ASPI is busy.", "Interrupt");
    CloseEvent(event, false);
    return -1;
  }
  auto readStatus = [header] { return __atomic_load_n(&header->SRB_Status, __ATOMIC_ACQUIRE); };
  host::WaitResult wait = host::WaitResult::Signalled;
  if (readStatus() == aspi::SS_PENDING) wait = event->Wait(WaitLimit(timeoutMs));
  const uint8_t status = readStatus();
  CloseEvent(event, status == aspi::SS_PENDING);
  status_ = status;
  if (wait == host::WaitResult::Abandoned) InternalError("SCSI Request is abnormal terminated.");
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
  aspi::SRB_ExecSCSICmd& block = execute_.Block();
  lastTimeout_ = timeoutMs;
  aspi::SendCommandFn send = AspiSendFunction();
  if (send == nullptr) {
    InternalError("ASPI SendFunction is NULL.");
    return -1;
  }
  std::optional<host::EventFd> event;
  if (!CreateEvent(event)) return -1;
  block.SRB_PostProc = static_cast<uint64_t>(event_);
  KeepRequest(&block, aspi::kExecHeadLength);
  if (send(&block) == aspi::SS_ASPI_IS_BUSY) {
    ++busyAnswers_;
    InternalError("ASPI is busy.", "Interrupt");
    CloseEvent(event, false);
    return -1;
  }
  host::WaitResult wait = host::WaitResult::Signalled;
  if (execute_.GetStatus() == aspi::SS_PENDING) {
    // Most commands end within microseconds: watch the status for a moment
    // before sleeping on the event, unless the last command took far longer
    // (a drive at its own speed). The event still ends the wait, since the
    // manager signals it only after it has stored the status.
    const auto start = std::chrono::steady_clock::now();
    if (spin_.ShouldSpin()) host::SpinUntil([this] { return execute_.GetStatus() != aspi::SS_PENDING; });
    wait = event->Wait(WaitLimit(timeoutMs));
    spin_.Record(std::chrono::steady_clock::now() - start);
  }

  status_ = execute_.GetStatus();
  senseKey_ = block.SenseArea[2];
  asc_ = block.SenseArea[12];
  ascq_ = block.SenseArea[13];

  if (wait == host::WaitResult::TimedOut) {
    // The event stays open until the abort is over: the manager signals it
    // when the request ends.
    AbortRequest();
    CloseEvent(event, execute_.GetStatus() == aspi::SS_PENDING);
    PrintDataBuffer(lastRequest_.data(), static_cast<uint32_t>(lastRequestLength_), "Canceled Srb");
    TraceOut("TimeOut.\r\n");
    return execute_.GetStatus();
  }
  CloseEvent(event, execute_.GetStatus() == aspi::SS_PENDING);
  if (wait == host::WaitResult::Abandoned) {
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
