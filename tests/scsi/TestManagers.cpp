// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/scsi/TestManagers.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "host/os/Platform.h"
#include "scsi/AspiManager.h"
#include "scsi/Pause.h"

TestManager::TestManager(const std::string& path) {
  previousPath_ = host::GetEnvironment("MARROWLIGHT_ASPI");
  ::setenv("MARROWLIGHT_ASPI", path.c_str(), 1);
  ResetAspiManagerForTesting();
  library_ = host::SharedLibrary::Open(path);
}

TestManager::~TestManager() {
  ResetAspiManagerForTesting();
  library_.reset();
  if (previousPath_) {
    ::setenv("MARROWLIGHT_ASPI", previousPath_->c_str(), 1);
  } else {
    ::unsetenv("MARROWLIGHT_ASPI");
  }
}

template <typename Fn>
Fn TestManager::Control(const char* name) const {
  void* symbol = library_ ? library_->Symbol(name) : nullptr;
  if (symbol == nullptr) {
    ADD_FAILURE() << "test manager has no " << name;
    return nullptr;
  }
  return reinterpret_cast<Fn>(symbol);
}

int TestManager::SupportQueries() const {
  auto fn = Control<int (*)()>("TestManagerSupportQueries");
  return fn ? fn() : -1;
}

int TestManager::Sends() const {
  auto fn = Control<int (*)()>("TestManagerSends");
  return fn ? fn() : -1;
}

void TestManager::Reply(uint8_t status, const std::vector<uint8_t>& sense, const std::vector<uint8_t>& data) {
  auto fn = Control<void (*)(uint8_t, const uint8_t*, uint32_t, const uint8_t*, uint32_t)>("TestManagerReply");
  if (fn) fn(status, sense.data(), static_cast<uint32_t>(sense.size()), data.data(), static_cast<uint32_t>(data.size()));
}

std::vector<uint8_t> TestManager::LastBlock() const {
  auto fn = Control<uint32_t (*)(void*, uint32_t)>("TestManagerLastBlock");
  if (!fn) return {};
  std::vector<uint8_t> block(fn(nullptr, 0));
  fn(block.data(), static_cast<uint32_t>(block.size()));
  return block;
}

aspi::SRB_ExecSCSICmd TestManager::LastExecute() const {
  aspi::SRB_ExecSCSICmd srb{};
  std::vector<uint8_t> block = LastBlock();
  EXPECT_EQ(block.size(), sizeof srb);
  std::memcpy(&srb, block.data(), std::min(block.size(), sizeof srb));
  return srb;
}

std::vector<uint8_t> TestManager::LastDataOut() const {
  auto fn = Control<uint32_t (*)(void*, uint32_t)>("TestManagerLastDataOut");
  if (!fn) return {};
  std::vector<uint8_t> data(fn(nullptr, 0));
  fn(data.data(), static_cast<uint32_t>(data.size()));
  return data;
}

bool TestManager::CompletePending() const {
  auto fn = Control<int (*)()>("TestManagerCompletePending");
  return fn && fn() != 0;
}

bool TestManager::FinishAbort() const {
  auto fn = Control<int (*)()>("TestManagerFinishAbort");
  return fn && fn() != 0;
}

bool TestManager::Log(const std::string& line) const {
  auto fn = Control<int (*)(const char*)>("TestManagerLog");
  return fn && fn(line.c_str()) != 0;
}

struct PauseRecorder::Shared {
  std::mutex mutex;
  std::vector<uint32_t> pauses;
  std::function<void(size_t)> action;
};

PauseRecorder::PauseRecorder() : shared_(std::make_shared<Shared>()) {
  scsi::SetPauseObserverForTesting([shared = shared_](uint32_t ms) {
    std::function<void(size_t)> action;
    size_t count = 0;
    {
      std::lock_guard lock(shared->mutex);
      shared->pauses.push_back(ms);
      count = shared->pauses.size();
      action = shared->action;
    }
    if (action) action(count);
  });
}

PauseRecorder::~PauseRecorder() { scsi::SetPauseObserverForTesting({}); }

std::vector<uint32_t> PauseRecorder::Pauses() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->pauses;
}

void PauseRecorder::OnPause(std::function<void(size_t)> action) {
  std::lock_guard lock(shared_->mutex);
  shared_->action = std::move(action);
}

std::string MissingManagerPath() { return "/nonexistent-marrowlight-test/libwnaspi32.so"; }
