// SPDX-License-Identifier: GPL-3.0-or-later
// The transport tests' view of a test manager: makes the program's loader find
// the manager at path (MARROWLIGHT_ASPI) with no manager loaded before, and
// reaches the manager's TestManager* control functions. The loader is reset
// again when the object ends, so every test starts from an unloaded manager.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/aspi/AspiSrb.h"
#include "host/os/SharedLibrary.h"

class TestManager {
 public:
  explicit TestManager(const std::string& path);
  ~TestManager();
  TestManager(const TestManager&) = delete;
  TestManager& operator=(const TestManager&) = delete;

  int SupportQueries() const;
  int Sends() const;
  // The reply every following execute request gets.
  void Reply(uint8_t status, const std::vector<uint8_t>& sense = {}, const std::vector<uint8_t>& data = {});
  // The last block the manager received (not an abort), as it arrived.
  std::vector<uint8_t> LastBlock() const;
  aspi::SRB_ExecSCSICmd LastExecute() const;
  std::vector<uint8_t> LastDataOut() const;
  bool CompletePending() const;
  bool FinishAbort() const;
  // Has the manager send a line through the log sink the program gave it;
  // false when it has none.
  bool Log(const std::string& line) const;

 private:
  template <typename Fn>
  Fn Control(const char* name) const;

  std::optional<std::string> previousPath_;
  std::unique_ptr<host::SharedLibrary> library_;
};

// Records the transport's deliberate pauses while it lives; onPause (when
// set) runs at each one with the number of pauses so far.
class PauseRecorder {
 public:
  PauseRecorder();
  ~PauseRecorder();
  std::vector<uint32_t> Pauses() const;
  void OnPause(std::function<void(size_t count)> action);

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
};

// A path where no library exists.
std::string MissingManagerPath();
