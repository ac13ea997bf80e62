// SPDX-License-Identifier: GPL-3.0-or-later
#include "scsi/AspiManager.h"

#include <atomic>
#include <memory>
#include <mutex>

#include "base/Log.h"
#include "host/os/Platform.h"
#include "host/os/SharedLibrary.h"
#include "host/ui/MessageBox.h"
#include "scsi/Pause.h"
#include "base/TextFormat.h"

namespace {

constexpr uint32_t kSettleMs = 500;

struct ManagerState {
  std::mutex loadMutex;  // one load at a time
  std::string chosenPath;  // under loadMutex
  std::unique_ptr<host::SharedLibrary> library;
  std::atomic<aspi::GetSupportInfoFn> supportInfo{nullptr};
  std::atomic<aspi::SendCommandFn> send{nullptr};
  std::atomic<aspi::HoldUnitFn> hold{nullptr};
  std::atomic<aspi::FindUnitFn> find{nullptr};
  std::atomic<bool> faultReported{false};
};

ManagerState& State() {
  static ManagerState state;
  return state;
}

std::string ManagerPath(const ManagerState& state) {
  if (!state.chosenPath.empty()) return state.chosenPath;
  auto configured = host::GetEnvironment("MARROWLIGHT_ASPI");
  if (configured && !configured->empty()) return *configured;
  return host::ProgramDirectory() + "/" + kDefaultManagerFile;
}

// reason: why the library at its path could not be used, as the loader says.
void ReportNotFound(const std::string& reason) {
  ui::MessageBox("ASPI manager is not found.\nInstall ASPI manager and restart your conputer.\n" + reason,
                 "ASPI manager is missing", ui::kIconError | ui::kOk);
  TraceOut("ASPI manager is not found. (Missing WNASPI32.DLL)\r\n");
}

// What a manager has to tell the person goes to the log like the program's
// own lines.
void ManagerLogLine(const char* line) { AddLog(line); }

// Opens the library and takes both entry points; false (nothing kept) when
// either is missing. A manager that takes a log sink gets it before anything
// else.
bool OpenManager(ManagerState& state, std::string& reason) {
  const std::string path = ManagerPath(state);
  auto library = host::SharedLibrary::Open(path, &reason);
  if (!library) return false;
  auto supportInfo = reinterpret_cast<aspi::GetSupportInfoFn>(library->Symbol(aspi::kGetSupportInfoName));
  auto send = reinterpret_cast<aspi::SendCommandFn>(library->Symbol(aspi::kSendCommandName));
  if (supportInfo == nullptr || send == nullptr) {
    reason = path + ": not a SCSI manager (it lacks " +
             (supportInfo == nullptr ? aspi::kGetSupportInfoName : aspi::kSendCommandName) + ")";
    return false;
  }
  if (auto setLogSink = reinterpret_cast<aspi::SetLogSinkFn>(library->Symbol(aspi::kSetLogSinkName)))
    setLogSink(ManagerLogLine);
  state.hold.store(reinterpret_cast<aspi::HoldUnitFn>(library->Symbol(aspi::kHoldUnitName)));
  state.find.store(reinterpret_cast<aspi::FindUnitFn>(library->Symbol(aspi::kFindUnitName)));
  state.library = std::move(library);
  state.faultReported.store(false);
  state.supportInfo.store(supportInfo);
  state.send.store(send);
  return true;
}

}  // namespace

std::string AspiManagerPath() {
  ManagerState& state = State();
  std::lock_guard lock(state.loadMutex);
  return ManagerPath(state);
}

void SetAspiManagerPath(const std::string& path) {
  ManagerState& state = State();
  std::lock_guard lock(state.loadMutex);
  state.chosenPath = path;
}

bool IsAspiManagerLoaded() { return State().send.load() != nullptr; }

aspi::SendCommandFn AspiSendFunction() { return State().send.load(); }

aspi::HoldUnitFn AspiHoldFunction() { return State().hold.load(); }

std::optional<aspi::ScsiAddress> AspiUnitAtNode(const std::string& path) {
  if (LoadAspiManager(AspiLoadForm::Object) != 0) return std::nullopt;
  aspi::FindUnitFn find = State().find.load();
  aspi::ScsiAddress address;
  if (find == nullptr || find(path.c_str(), &address.ha, &address.id, &address.lun) != aspi::SS_COMP)
    return std::nullopt;
  return address;
}

bool NoteManagerFault() { return !State().faultReported.exchange(true); }

bool ManagerFaultNoted() { return State().faultReported.load(); }

int LoadAspiManager(AspiLoadForm form, int32_t* supportInfo) {
  ManagerState& state = State();
  aspi::GetSupportInfoFn query = nullptr;
  {
    std::lock_guard lock(state.loadMutex);
    if (state.send.load() != nullptr) return 0;
    std::string reason;
    if (!OpenManager(state, reason)) {
      ReportNotFound(reason);
      return -1;
    }
    query = state.supportInfo.load();
  }
  const bool startCheck = form == AspiLoadForm::StartCheck;
  if (startCheck) TraceOut("ASPI Static Init\r\n");

  const uint32_t result = query();
  if (!startCheck && supportInfo != nullptr) *supportInfo = static_cast<int32_t>(result);
  if (((result >> 8) & 0xFF) != aspi::SS_COMP) {
    const char* format = startCheck ? "ASPI for Win32 is not initialized!!\r\nAspiStatus: %04XH"
                                    : "ASPI for Win32 is not initialized!!\nAspiStatus: %04XH";
    TraceOut(FormatText(format, result), "\r\n");
    ui::MessageBox("ASPI manager is not initialized!!\nCheck SCSI board driver and ASPI manager are correctly installed.",
                   "ASPI Initializing Error.", ui::kIconError | ui::kOk);
    return kAspiNotInitialised;
  }
  scsi::Pause(kSettleMs);
  return 0;
}

bool IsAspiReady() { return LoadAspiManager(AspiLoadForm::StartCheck) == 0; }

void ResetAspiManagerForTesting() {
  ManagerState& state = State();
  std::lock_guard lock(state.loadMutex);
  state.send.store(nullptr);
  state.supportInfo.store(nullptr);
  state.hold.store(nullptr);
  state.find.store(nullptr);
  state.faultReported.store(false);
  state.library.reset();
}
