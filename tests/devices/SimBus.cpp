// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/devices/SimBus.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "host/os/Platform.h"
#include "scsi/AspiManager.h"

namespace {

void Restore(const char* name, const std::optional<std::string>& value) {
  if (value) {
    ::setenv(name, value->c_str(), 1);
  } else {
    ::unsetenv(name);
  }
}

}  // namespace

SimBus::SimBus(const std::string& devices) {
  previousAspi_ = host::GetEnvironment("MARROWLIGHT_ASPI");
  previousBus_ = host::GetEnvironment("MARROWLIGHT_SIMBUS");
  previousState_ = host::GetEnvironment("MARROWLIGHT_SIMBUS_STATE");
  std::string description =
      R"({"state_dir": "state", "adapters": [{"devices": [)" + devices + "]}]}";
  std::string path = dir_.Write("bus.json", description);
  ::setenv("MARROWLIGHT_ASPI", SIMBUS_RECORDER, 1);
  ::setenv("MARROWLIGHT_SIMBUS", path.c_str(), 1);
  ::setenv("MARROWLIGHT_SIMBUS_STATE", dir_.File("state").c_str(), 1);
  ResetAspiManagerForTesting();
  std::string error;
  recorder_ = host::SharedLibrary::Open(SIMBUS_RECORDER, &error);
  if (!recorder_) ADD_FAILURE() << "cannot open the recorder: " << error;
}

SimBus::~SimBus() {
  QueueAhead(false);  // its thread ends before the library goes
  ResetAspiManagerForTesting();
  recorder_.reset();
  Restore("MARROWLIGHT_ASPI", previousAspi_);
  Restore("MARROWLIGHT_SIMBUS", previousBus_);
  Restore("MARROWLIGHT_SIMBUS_STATE", previousState_);
}

template <typename Fn>
Fn SimBus::Control(const char* name) const {
  void* symbol = recorder_ ? recorder_->Symbol(name) : nullptr;
  if (symbol == nullptr) ADD_FAILURE() << "the recorder has no " << name;
  return reinterpret_cast<Fn>(symbol);
}

std::vector<SentCommand> SimBus::Commands() const {
  std::vector<SentCommand> commands;
  auto count = Control<size_t (*)()>("RecorderCount");
  auto get = Control<bool (*)(size_t, RecordedCommand*, uint8_t*, size_t)>("RecorderGet");
  if (count == nullptr || get == nullptr) return commands;
  size_t total = count();
  for (size_t i = 0; i < total; ++i) {
    SentCommand command{};
    if (!get(i, &command.head, nullptr, 0)) break;
    command.data.resize(command.head.dataLength);
    get(i, &command.head, command.data.data(), command.data.size());
    commands.push_back(std::move(command));
  }
  return commands;
}

std::vector<SentCommand> SimBus::Commands(uint8_t op) const {
  std::vector<SentCommand> matching;
  for (SentCommand& command : Commands())
    if (command.Op() == op) matching.push_back(std::move(command));
  return matching;
}

void SimBus::QueueAhead(bool on) const {
  if (auto queue = Control<void (*)(bool)>("RecorderQueueAhead")) queue(on);
}

void SimBus::Clear() const {
  if (auto clear = Control<void (*)()>("RecorderClear")) clear();
}

void SimBus::Script(uint8_t op, uint32_t times, uint8_t status, const std::vector<uint8_t>& sense,
                    const std::vector<uint8_t>& data) const {
  auto script = Control<void (*)(uint8_t, uint32_t, uint8_t, const uint8_t*, uint32_t, const uint8_t*, uint32_t)>(
      "RecorderScript");
  if (script)
    script(op, times, status, sense.data(), static_cast<uint32_t>(sense.size()), data.data(),
           static_cast<uint32_t>(data.size()));
}

std::vector<uint8_t> SenseBytes(uint8_t key, uint8_t asc, uint8_t ascq) {
  std::vector<uint8_t> sense(18, 0);
  sense[0] = 0x70;
  sense[2] = key;
  sense[7] = 10;
  sense[12] = asc;
  sense[13] = ascq;
  return sense;
}
