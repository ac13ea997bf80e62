// SPDX-License-Identifier: GPL-3.0-or-later
// An operation dialog for tests: records every notification and lets a test
// act at a chosen moment (for example cancel when a percent is shown).
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "operation/OperationDialog.h"
#include "operation/OperationRequest.h"
#include "operation/TOperationThread.h"

class TestDialog : public OperationDialog {
 public:
  explicit TestDialog(uint64_t volumeSize = 0) : volumeSize(volumeSize) {}

  uint64_t CurrentVolumeSize() override { return volumeSize; }
  void ShowProgress(int phase, int percent) override {
    {
      std::lock_guard lock(mutex_);
      progress.emplace_back(phase, percent);
    }
    if (onProgress) onProgress(phase, percent);
  }
  void ShowPassProgress(const PassProgress& report) override {
    std::lock_guard lock(mutex_);
    reports.push_back(report);
  }
  void OperationErrorShown() override { ++errorsShown; }
  bool AskWriteMode(uint64_t volumeBytes, uint64_t discBytes) override {
    ++writeModeAsked;
    writeModeSizes = {volumeBytes, discBytes};
    return writeModeAnswer;
  }
  void OperationEnding() override { ++endingsBeforeResult; }
  void OperationEnded(OperationResult ended, bool close) override {
    result = ended;
    closeAtEnd = close;
  }
  void SetComment(const std::string& text) override {
    {
      std::lock_guard lock(mutex_);
      comments.push_back(text);
    }
    if (onComment) onComment(text);
  }
  void EnableCancel(bool enabled) override {
    std::lock_guard lock(mutex_);
    cancelStates.push_back(enabled);
  }

  // Percents shown for one phase, in order.
  std::vector<int> Percents(int phase) const {
    std::vector<int> shown;
    for (auto [p, percent] : progress)
      if (p == phase) shown.push_back(percent);
    return shown;
  }

  uint64_t volumeSize;
  bool writeModeAnswer = true;
  std::function<void(int, int)> onProgress;
  std::function<void(const std::string&)> onComment;

  std::vector<std::pair<int, int>> progress;
  std::vector<PassProgress> reports;  // one per progress notification
  std::vector<std::string> comments;
  std::vector<bool> cancelStates;
  int errorsShown = 0;
  int writeModeAsked = 0;
  std::pair<uint64_t, uint64_t> writeModeSizes{0, 0};  // volume, disc
  int endingsBeforeResult = 0;
  std::optional<OperationResult> result;
  bool closeAtEnd = false;

 private:
  std::mutex mutex_;
};

// The request of an operation between two sides by the operation code the
// tests write (82h, 09h ...): source start, volume size and name as a check
// would have found them.
inline OperationRequest Request(Endpoint source, uint16_t code, uint64_t start, uint64_t size, std::string name,
                                Endpoint destination) {
  OperationRequest request;
  request.operation = OperationFromCode(code).value();
  request.source = std::move(source);
  request.destination = std::move(destination);
  request.volume.volumeName = std::move(name);
  request.volume.volumeOffset = static_cast<uint32_t>(start);
  OverrideVolumeSize(request.volume, size);
  return request;
}

inline OperationRequest PatternRequest(SCSIDEV& writer, uint16_t code) {
  return OperationRequest::Pattern(OperationFromCode(code).value(), writer);
}

// Starts the operation and waits for its end (the result notification has
// run by then).
inline void RunOperation(TOperationThread& operation) {
  operation.Start();
  operation.WaitFor();
}
