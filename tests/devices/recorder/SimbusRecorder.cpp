// SPDX-License-Identifier: GPL-3.0-or-later
// A recording front for the simulated SCSI bus, for the device tests. It is a
// SCSI manager in its own right (the two entry points of host/aspi/AspiSrb.h)
// that opens the real simulated bus library (SIMBUS_LIBRARY) and forwards
// every request to it unchanged, after keeping a copy of each execute
// request's address, command block and outgoing data. Tests read the copies
// through the Recorder* functions, so they can check the exact bytes that
// reached a drive (mode pages, DVD structures, buffer pieces) while the drive
// itself is the simulated one.
//
// For the few answers no drive model gives (an RZone reply shorter than its
// fields), a test may script the reply to the next commands of one operation
// code; those commands are answered here and never reach the bus.
//
// A test may also have reads sent ahead (SRB_QUEUE_AHEAD) answered as a
// manager that queues them answers: pending at once, then carried out in
// order on a thread of the recorder's own (RecorderQueueAhead).
//
// Unloading this library unloads the simulated bus with it, so that the next
// load builds a new bus from the then current description.
#include <cstdint>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "host/aspi/AspiSrb.h"
#include "host/os/Event.h"
#include "host/os/SharedLibrary.h"
#include "tests/devices/recorder/RecordedCommand.h"

#define RECORDER_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr size_t kMaxKeptData = 1 << 20;

struct Kept {
  RecordedCommand head{};
  std::vector<uint8_t> data;
};

struct Script {
  uint8_t opcode = 0;
  uint32_t times = 0;
  uint8_t status = aspi::SS_COMP;
  std::vector<uint8_t> sense;
  std::vector<uint8_t> data;
};

struct State {
  std::mutex mutex;
  std::unique_ptr<host::SharedLibrary> bus;
  aspi::GetSupportInfoFn support = nullptr;
  aspi::SendCommandFn send = nullptr;
  aspi::HoldUnitFn hold = nullptr;
  std::vector<Kept> kept;
  std::vector<Script> scripts;
  // Reads sent ahead, waiting for the recorder's own thread.
  std::condition_variable aheadWake;
  std::deque<aspi::SRB_ExecSCSICmd*> ahead;
  bool aheadEnding = false;
  std::thread aheadThread;
};

State& Recorder() {
  static State state;
  return state;
}

bool OpenBus(State& state) {
  std::lock_guard lock(state.mutex);
  if (state.send != nullptr) return true;
  state.bus = host::SharedLibrary::Open(SIMBUS_LIBRARY);
  if (!state.bus) return false;
  state.support = reinterpret_cast<aspi::GetSupportInfoFn>(state.bus->Symbol("GetASPI32SupportInfo"));
  state.send = reinterpret_cast<aspi::SendCommandFn>(state.bus->Symbol("SendASPI32Command"));
  state.hold = reinterpret_cast<aspi::HoldUnitFn>(state.bus->Symbol(aspi::kHoldUnitName));
  return state.send != nullptr && state.support != nullptr;
}

void Keep(State& state, const aspi::SRB_ExecSCSICmd& block) {
  Kept kept;
  kept.head.ha = block.SRB_HaId;
  kept.head.id = block.SRB_Target;
  kept.head.lun = block.SRB_Lun;
  kept.head.flags = block.SRB_Flags;
  kept.head.cdbLength = block.SRB_CDBLen;
  std::memcpy(kept.head.cdb, block.CDBByte, sizeof kept.head.cdb);
  kept.head.bufLen = block.SRB_BufLen;
  if ((block.SRB_Flags & aspi::SRB_DIR_OUT) != 0 && block.SRB_BufPointer != 0) {
    size_t length = block.SRB_BufLen < kMaxKeptData ? block.SRB_BufLen : kMaxKeptData;
    const auto* data = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(block.SRB_BufPointer));
    kept.data.assign(data, data + length);
  }
  kept.head.dataLength = static_cast<uint32_t>(kept.data.size());
  std::lock_guard lock(state.mutex);
  state.kept.push_back(std::move(kept));
}

bool AnswerFromScript(State& state, aspi::SRB_ExecSCSICmd& block) {
  std::lock_guard lock(state.mutex);
  for (Script& script : state.scripts) {
    if (script.times == 0 || script.opcode != block.CDBByte[0]) continue;
    --script.times;
    if ((block.SRB_Flags & aspi::SRB_DIR_IN) != 0 && block.SRB_BufPointer != 0) {
      auto* data = reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(block.SRB_BufPointer));
      size_t length = script.data.size() < block.SRB_BufLen ? script.data.size() : block.SRB_BufLen;
      if (length > 0) std::memcpy(data, script.data.data(), length);
    }
    std::memset(block.SenseArea, 0, sizeof block.SenseArea);
    if (!script.sense.empty())
      std::memcpy(block.SenseArea, script.sense.data(),
                  script.sense.size() < sizeof block.SenseArea ? script.sense.size() : sizeof block.SenseArea);
    block.SRB_TargStat = script.status == aspi::SS_ERR ? aspi::STATUS_CHKCOND : aspi::STATUS_GOOD;
    block.SRB_Status = script.status;
    if ((block.SRB_Flags & aspi::SRB_EVENT_NOTIFY) != 0) host::SignalEventHandle(static_cast<int>(block.SRB_PostProc));
    return true;
  }
  return false;
}

// Carries out one execute request: from a script, else on the bus.
uint32_t Carry(State& state, aspi::SRB_ExecSCSICmd* block) {
  if (AnswerFromScript(state, *block)) return block->SRB_Status;
  return state.send(block);
}

void CarryAhead(State& state) {
  std::unique_lock lock(state.mutex);
  for (;;) {
    state.aheadWake.wait(lock, [&state] { return state.aheadEnding || !state.ahead.empty(); });
    if (state.ahead.empty()) return;
    aspi::SRB_ExecSCSICmd* block = state.ahead.front();
    state.ahead.pop_front();
    lock.unlock();
    Carry(state, block);
    lock.lock();
  }
}

}  // namespace

RECORDER_EXPORT uint32_t GetASPI32SupportInfo(void) {
  State& state = Recorder();
  if (!OpenBus(state)) return static_cast<uint32_t>(aspi::SS_FAILED_INIT) << 8;
  return state.support();
}


RECORDER_EXPORT uint32_t SendASPI32Command(void* srb) {
  State& state = Recorder();
  if (!OpenBus(state)) return aspi::SS_FAILED_INIT;
  const auto* header = static_cast<const aspi::SRB_Header*>(srb);
  if (header->SRB_Cmd != aspi::SC_EXEC_SCSI_CMD) return state.send(srb);
  auto* block = static_cast<aspi::SRB_ExecSCSICmd*>(srb);
  Keep(state, *block);
  std::unique_lock lock(state.mutex);
  // A request that finds reads sent ahead still queued waits behind them.
  if (state.aheadThread.joinable() && ((block->SRB_Flags & aspi::SRB_QUEUE_AHEAD) != 0 || !state.ahead.empty())) {
    __atomic_store_n(&block->SRB_Status, aspi::SS_PENDING, __ATOMIC_RELEASE);
    state.ahead.push_back(block);
    state.aheadWake.notify_one();
    return aspi::SS_PENDING;
  }
  lock.unlock();
  return Carry(state, block);
}

// Reads sent ahead are queued and answered on the recorder's own thread
// (on), or carried out at once as any other request (off: the thread ends
// after what it has queued).
RECORDER_EXPORT void RecorderQueueAhead(bool on) {
  State& state = Recorder();
  std::unique_lock lock(state.mutex);
  if (on == state.aheadThread.joinable()) return;
  if (on) {
    state.aheadEnding = false;
    state.aheadThread = std::thread([&state] { CarryAhead(state); });
    return;
  }
  state.aheadEnding = true;
  state.aheadWake.notify_one();
  std::thread ending = std::move(state.aheadThread);
  lock.unlock();
  ending.join();
}

// The optional hold entry point, passed on to the bus.
RECORDER_EXPORT uint32_t HoldASPI32Unit(uint8_t ha, uint8_t id, uint8_t lun, uint32_t hold, char* reason,
                                        uint32_t reasonSize) {
  State& state = Recorder();
  if (!OpenBus(state) || state.hold == nullptr) return aspi::SS_COMP;
  return state.hold(ha, id, lun, hold, reason, reasonSize);
}

RECORDER_EXPORT size_t RecorderCount(void) {
  State& state = Recorder();
  std::lock_guard lock(state.mutex);
  return state.kept.size();
}

// Copies command index into *head and up to capacity bytes of its outgoing
// data into data; returns false past the end.
RECORDER_EXPORT bool RecorderGet(size_t index, RecordedCommand* head, uint8_t* data, size_t capacity) {
  State& state = Recorder();
  std::lock_guard lock(state.mutex);
  if (index >= state.kept.size()) return false;
  const Kept& kept = state.kept[index];
  *head = kept.head;
  size_t length = kept.data.size() < capacity ? kept.data.size() : capacity;
  if (data != nullptr && length > 0) std::memcpy(data, kept.data.data(), length);
  return true;
}

RECORDER_EXPORT void RecorderClear(void) {
  State& state = Recorder();
  std::lock_guard lock(state.mutex);
  state.kept.clear();
}

// The next `times` commands with this operation code get this reply (data
// in, fixed-format sense) from the recorder instead of the bus.
RECORDER_EXPORT void RecorderScript(uint8_t opcode, uint32_t times, uint8_t status, const uint8_t* sense,
                                    uint32_t senseLength, const uint8_t* data, uint32_t dataLength) {
  State& state = Recorder();
  std::lock_guard lock(state.mutex);
  state.scripts.push_back(Script{opcode, times, status, std::vector<uint8_t>(sense, sense + senseLength),
                                 std::vector<uint8_t>(data, data + dataLength)});
}
