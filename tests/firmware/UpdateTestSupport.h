// SPDX-License-Identifier: GPL-3.0-or-later
// Support of the update tests: a dialog that records what the update told
// it, the buffer commands as they reached the drive, the boxes every update
// shows, and a fixture that runs one update to its end.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/TextFormat.h"
#include "devices/SCSIDEV.h"
#include "firmware/TUpdateThread.h"
#include "tests/devices/SimBus.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/TempDir.h"

class RecordingDialog : public UpdateDialog {
 public:
  void ShowProgress(UpdateBar bar, int percent) override {
    std::lock_guard lock(mutex_);
    (bar == UpdateBar::Update ? updates : verifies).push_back(percent);
  }
  void SetComment(const std::string& text) override {
    std::lock_guard lock(mutex_);
    comments.push_back(text);
  }
  void SetDeviceLine(const std::string& text) override {
    std::lock_guard lock(mutex_);
    deviceLines.push_back(text);
  }
  void UpdateEnded(UpdateResult result) override { ended = result; }

  std::vector<int> updates, verifies;
  std::vector<std::string> comments, deviceLines;
  std::optional<UpdateResult> ended;

 private:
  std::mutex mutex_;
};

// One WRITE BUFFER or READ BUFFER as the drive received it.
struct BufferCommand {
  uint8_t op, mode, id;
  uint32_t offset, length;
  std::vector<uint8_t> data;  // outgoing data of a WRITE BUFFER
};
std::vector<BufferCommand> BufferCommands(const SimBus& bus);
// Only the commands with this operation code (3Bh write, 3Ch read).
std::vector<BufferCommand> BufferCommands(const SimBus& bus, uint8_t op);
// A 16-bit value as four hexadecimal digits, as the log writes checksums.
inline std::string FormatHex(uint16_t value) { return FormatText("%04X", value); }
// The bytes of an image from offset, count of them.
std::vector<uint8_t> Slice(const std::vector<uint8_t>& image, size_t offset, size_t count);

inline constexpr unsigned kConfirmFlags = ui::kOkCancel | ui::kIconQuestion;
inline constexpr uint8_t kWriteBufferOp = 0x3B;
inline constexpr uint8_t kReadBufferOp = 0x3C;

// The "[Error Information]" box of the device's last command with this
// sense, as ReportError shows it.
std::string ErrorReport(const SCSIDEV& device, const char* command, uint8_t key, uint8_t asc, uint8_t ascq);

class UpdateTest : public ::testing::Test {
 protected:
  // The boxes of an update that gets through: the confirmation (answered
  // OK), the power prompts (pairs of them) and the result box.
  void ExpectConfirmation(const std::string& question, int answer = ui::kIdOk);
  void ExpectPowerCycle(const std::string& model);
  void ExpectError(const std::string& text);
  void ExpectDone();
  void ExpectFailed();

  // Runs an update of the file on the writer in the slot to its end.
  UpdateResult Run(const std::string& file, std::unique_ptr<SCSIDEV>& writer, UpdateOptions options = {});
  std::string File(const std::string& name, const std::string& bytes) { return dir.Write(name, bytes); }

  CapturedLog log;
  ScriptedUiGuard ui;
  TempDir dir;
  RecordingDialog dialog;
};
