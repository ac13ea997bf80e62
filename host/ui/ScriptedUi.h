// SPDX-License-Identifier: GPL-3.0-or-later
// ScriptedUi: the person seam for tests. Each expected box is written down
// with its exact text, caption and flags and the button that answers it; boxes
// must come in the scripted order. A box that does not match, or comes when
// the script is used up, is reported to the failure handler and answered with
// the cautious button, so a test fails instead of waiting for a person.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "host/ui/MessageBox.h"

namespace ui {

struct ShownBox {
  std::string text;
  std::string caption;
  unsigned flags = 0;
  int answer = 0;
};

class ScriptedUi : public Backend {
 public:
  using FailureHandler = std::function<void(const std::string&)>;

  explicit ScriptedUi(FailureHandler onFailure);

  ScriptedUi& Expect(std::string text, std::string caption, unsigned flags, int answer);
  ScriptedUi& ExpectFileDialog(std::optional<std::string> answer);

  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  std::optional<std::string> FileDialog(const FileDialogRequest& request) override;

  // The scripted boxes that never came, described for a failure message.
  std::vector<std::string> Remaining() const;
  std::vector<ShownBox> Shown() const;
  std::vector<FileDialogRequest> FileDialogs() const;

 private:
  struct Step {
    bool fileDialog = false;
    ShownBox box;
    std::optional<std::string> path;
  };

  FailureHandler onFailure_;
  mutable std::mutex mutex_;
  std::deque<Step> script_;
  std::vector<ShownBox> shown_;
  std::vector<FileDialogRequest> fileDialogs_;
};

std::string DescribeBox(const std::string& text, const std::string& caption, unsigned flags);

}  // namespace ui
