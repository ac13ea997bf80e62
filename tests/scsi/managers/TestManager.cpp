// SPDX-License-Identifier: GPL-3.0-or-later
// A SCSI manager for the transport tests, built once per behaviour (the
// compile definition TEST_MANAGER_BEHAVIOUR picks one of the Behaviour values)
// and loaded through the program's own loader. Besides the two entry points it
// exports a few TestManager* functions through which a test scripts replies and
// reads what the manager received.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include "host/aspi/AspiSrb.h"

namespace {

enum class Behaviour {
  Synchronous,       // completes every request before returning
  NotInitialised,    // support query reports SS_NO_ADAPTERS
  Busy,              // every request answered with SS_ASPI_IS_BUSY
  PendingUntilAbort, // execute requests stay pending until aborted
  AbortNeverEnds,    // as above, but the abort itself stays pending
  ClosesEvent,       // closes the request's eventfd and leaves it pending
  SignalsButPending, // signals every execute request at once and leaves it pending for good
  CompletesSilently, // completes every request before returning, but never signals its event
};

constexpr Behaviour kBehaviour = Behaviour::TEST_MANAGER_BEHAVIOUR;

constexpr size_t kMaxKept = 65536;

struct State {
  std::mutex mutex;
  std::atomic<int> supportQueries{0};
  std::atomic<int> sends{0};
  // Scripted reply of the next execute requests.
  uint8_t replyStatus = aspi::SS_COMP;
  uint8_t replyTargetStatus = aspi::STATUS_GOOD;
  std::vector<uint8_t> replySense;
  std::vector<uint8_t> replyData;
  // What came in last.
  std::vector<uint8_t> lastBlock;
  std::vector<uint8_t> lastDataOut;
  // The request held pending and the abort that is not finished.
  aspi::SRB_ExecSCSICmd* pending = nullptr;
  aspi::SRB_Abort* openAbort = nullptr;
  std::atomic<aspi::LogSinkFn> logSink{nullptr};
};

State& Manager() {
  static State state;
  return state;
}

void Signal(uint64_t descriptor) {
  uint64_t one = 1;
  ssize_t written = ::write(static_cast<int>(descriptor), &one, sizeof one);
  (void)written;
}

void SetStatus(uint8_t& field, uint8_t value) { __atomic_store_n(&field, value, __ATOMIC_RELEASE); }

size_t BlockSize(uint8_t command) {
  switch (command) {
    case aspi::SC_HA_INQUIRY: return sizeof(aspi::SRB_HAInquiry);
    case aspi::SC_EXEC_SCSI_CMD: return sizeof(aspi::SRB_ExecSCSICmd);
    case aspi::SC_ABORT_SRB: return sizeof(aspi::SRB_Abort);
    case aspi::SC_RESET_DEV: return sizeof(aspi::SRB_BusDeviceReset);
    default: return sizeof(aspi::SRB_RescanPort);
  }
}

void Complete(State& m, aspi::SRB_ExecSCSICmd& srb) {
  auto* buffer = reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(srb.SRB_BufPointer));
  size_t dataCount = std::min<size_t>(srb.SRB_BufLen, m.replyData.size());
  if ((srb.SRB_Flags & aspi::SRB_DIR_IN) && buffer != nullptr && dataCount > 0) {
    std::memcpy(buffer, m.replyData.data(), dataCount);
  }
  size_t senseCount = std::min<size_t>({m.replySense.size(), srb.SRB_SenseLen, sizeof srb.SenseArea});
  if (senseCount > 0) std::memcpy(srb.SenseArea, m.replySense.data(), senseCount);
  srb.SRB_TargStat = m.replyTargetStatus;
  SetStatus(srb.SRB_Status, m.replyStatus);
  if ((srb.SRB_Flags & aspi::SRB_EVENT_NOTIFY) && kBehaviour != Behaviour::CompletesSilently) Signal(srb.SRB_PostProc);
}

void Execute(State& m, aspi::SRB_ExecSCSICmd& srb) {
  auto* buffer = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(srb.SRB_BufPointer));
  m.lastDataOut.clear();
  if ((srb.SRB_Flags & aspi::SRB_DIR_OUT) && buffer != nullptr) {
    m.lastDataOut.assign(buffer, buffer + std::min<size_t>(srb.SRB_BufLen, kMaxKept));
  }
  if (kBehaviour == Behaviour::Synchronous || kBehaviour == Behaviour::CompletesSilently) {
    Complete(m, srb);
    return;
  }
  SetStatus(srb.SRB_Status, aspi::SS_PENDING);
  m.pending = &srb;
  if (kBehaviour == Behaviour::SignalsButPending) Signal(srb.SRB_PostProc);
  if (kBehaviour == Behaviour::ClosesEvent) ::close(static_cast<int>(srb.SRB_PostProc));
}

uint32_t Abort(State& m, aspi::SRB_Abort& srb) {
  auto* target = reinterpret_cast<aspi::SRB_ExecSCSICmd*>(static_cast<uintptr_t>(srb.SRB_ToAbort));
  if (target == nullptr || target != m.pending) {
    SetStatus(srb.SRB_Status, aspi::SS_ABORT_FAIL);
    return aspi::SS_ABORT_FAIL;
  }
  if (kBehaviour == Behaviour::AbortNeverEnds) {
    SetStatus(srb.SRB_Status, aspi::SS_PENDING);
    m.openAbort = &srb;
    return aspi::SS_PENDING;
  }
  m.pending = nullptr;
  SetStatus(target->SRB_Status, aspi::SS_ABORTED);
  Signal(target->SRB_PostProc);
  SetStatus(srb.SRB_Status, aspi::SS_COMP);
  return aspi::SS_COMP;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) uint32_t GetASPI32SupportInfo() {
  Manager().supportQueries++;
  if (kBehaviour == Behaviour::NotInitialised) return aspi::SS_NO_ADAPTERS << 8;
  return (aspi::SS_COMP << 8) | 1;
}

__attribute__((visibility("default"))) uint32_t SendASPI32Command(void* block) {
  State& m = Manager();
  m.sends++;
  if (kBehaviour == Behaviour::Busy) return aspi::SS_ASPI_IS_BUSY;
  std::lock_guard lock(m.mutex);
  auto* header = static_cast<aspi::SRB_Header*>(block);
  auto* bytes = static_cast<const uint8_t*>(block);
  if (header->SRB_Cmd != aspi::SC_ABORT_SRB) m.lastBlock.assign(bytes, bytes + BlockSize(header->SRB_Cmd));
  switch (header->SRB_Cmd) {
    case aspi::SC_HA_INQUIRY: {
      auto& srb = *static_cast<aspi::SRB_HAInquiry*>(block);
      if (srb.SRB_HaId != 0) {
        SetStatus(srb.SRB_Status, aspi::SS_INVALID_HA);
        return aspi::SS_INVALID_HA;
      }
      srb.HA_Count = 1;
      srb.HA_SCSI_ID = 7;
      std::memcpy(srb.HA_ManagerId, "TEST MANAGER    ", 16);
      std::memcpy(srb.HA_Identifier, "TEST ADAPTER    ", 16);
      for (uint8_t i = 0; i < 16; ++i) srb.HA_Unique[i] = i;
      SetStatus(srb.SRB_Status, aspi::SS_COMP);
      return aspi::SS_COMP;
    }
    case aspi::SC_EXEC_SCSI_CMD: {
      auto& srb = *static_cast<aspi::SRB_ExecSCSICmd*>(block);
      Execute(m, srb);
      return srb.SRB_Status;
    }
    case aspi::SC_ABORT_SRB:
      return Abort(m, *static_cast<aspi::SRB_Abort*>(block));
    default:
      SetStatus(header->SRB_Status, aspi::SS_COMP);
      return aspi::SS_COMP;
  }
}

// The optional entry point: the program's log sink, kept for
// TestManagerLog.
__attribute__((visibility("default"))) void SetASPI32LogSink(aspi::LogSinkFn sink) { Manager().logSink = sink; }

// --- Control functions for the tests ---

// Sends a line through the log sink the program gave; 0 when it gave none.
__attribute__((visibility("default"))) int TestManagerLog(const char* line) {
  aspi::LogSinkFn sink = Manager().logSink.load();
  if (sink == nullptr) return 0;
  sink(line);
  return 1;
}

__attribute__((visibility("default"))) int TestManagerSupportQueries() { return Manager().supportQueries; }
__attribute__((visibility("default"))) int TestManagerSends() { return Manager().sends; }

__attribute__((visibility("default"))) void TestManagerReply(uint8_t status, const uint8_t* sense,
                                                             uint32_t senseLength, const uint8_t* data,
                                                             uint32_t dataLength) {
  State& m = Manager();
  std::lock_guard lock(m.mutex);
  m.replyStatus = status;
  m.replySense.assign(sense, sense + (sense != nullptr ? senseLength : 0));
  m.replyData.assign(data, data + (data != nullptr ? dataLength : 0));
}

__attribute__((visibility("default"))) uint32_t TestManagerLastBlock(void* out, uint32_t size) {
  State& m = Manager();
  std::lock_guard lock(m.mutex);
  uint32_t count = static_cast<uint32_t>(std::min<size_t>(size, m.lastBlock.size()));
  if (count > 0) std::memcpy(out, m.lastBlock.data(), count);
  return static_cast<uint32_t>(m.lastBlock.size());
}

__attribute__((visibility("default"))) uint32_t TestManagerLastDataOut(void* out, uint32_t size) {
  State& m = Manager();
  std::lock_guard lock(m.mutex);
  uint32_t count = static_cast<uint32_t>(std::min<size_t>(size, m.lastDataOut.size()));
  if (count > 0) std::memcpy(out, m.lastDataOut.data(), count);
  return static_cast<uint32_t>(m.lastDataOut.size());
}

// Completes the request held pending with the scripted reply; 0 when none is.
__attribute__((visibility("default"))) int TestManagerCompletePending() {
  State& m = Manager();
  std::lock_guard lock(m.mutex);
  if (m.pending == nullptr) return 0;
  Complete(m, *m.pending);
  m.pending = nullptr;
  return 1;
}

// Lets an abort that was left pending take effect now; 0 when none is open.
__attribute__((visibility("default"))) int TestManagerFinishAbort() {
  State& m = Manager();
  std::lock_guard lock(m.mutex);
  if (m.openAbort == nullptr) return 0;
  if (m.pending != nullptr) {
    SetStatus(m.pending->SRB_Status, aspi::SS_ABORTED);
    Signal(m.pending->SRB_PostProc);
    m.pending = nullptr;
  }
  SetStatus(m.openAbort->SRB_Status, aspi::SS_COMP);
  m.openAbort = nullptr;
  return 1;
}

}  // extern "C"
