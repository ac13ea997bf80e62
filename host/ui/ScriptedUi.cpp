// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ui/ScriptedUi.h"

#include <cstdio>

namespace ui {

std::string DescribeBox(const std::string& text, const std::string& caption, unsigned flags) {
  std::string escaped;
  for (char c : text) {
    if (c == '\r') escaped += "\\r";
    else if (c == '\n') escaped += "\\n";
    else escaped += c;
  }
  char flagText[16];
  std::snprintf(flagText, sizeof flagText, "0x%X", flags);
  return "box \"" + escaped + "\" caption \"" + caption + "\" flags " + flagText;
}

ScriptedUi::ScriptedUi(FailureHandler onFailure) : onFailure_(std::move(onFailure)) {}

ScriptedUi& ScriptedUi::Expect(std::string text, std::string caption, unsigned flags, int answer) {
  std::lock_guard lock(mutex_);
  Step step;
  step.box = ShownBox{std::move(text), std::move(caption), flags, answer};
  script_.push_back(std::move(step));
  return *this;
}

ScriptedUi& ScriptedUi::ExpectFileDialog(std::optional<std::string> answer) {
  std::lock_guard lock(mutex_);
  Step step;
  step.fileDialog = true;
  step.path = std::move(answer);
  script_.push_back(std::move(step));
  return *this;
}

int ScriptedUi::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  std::string failure;
  int answer = NegativeAnswer(flags);
  {
    std::lock_guard lock(mutex_);
    if (script_.empty() || script_.front().fileDialog) {
      failure = "unexpected " + DescribeBox(text, caption, flags);
    } else {
      const ShownBox& want = script_.front().box;
      if (want.text != text || want.caption != caption || want.flags != flags) {
        failure = "expected " + DescribeBox(want.text, want.caption, want.flags) + "\n but got " +
                  DescribeBox(text, caption, flags);
      } else {
        answer = want.answer;
      }
      script_.pop_front();
    }
    shown_.push_back(ShownBox{text, caption, flags, answer});
  }
  if (!failure.empty()) onFailure_(failure);
  return answer;
}

std::optional<std::string> ScriptedUi::FileDialog(const FileDialogRequest& request) {
  std::optional<std::string> answer;
  bool unexpected = false;
  {
    std::lock_guard lock(mutex_);
    fileDialogs_.push_back(request);
    if (script_.empty() || !script_.front().fileDialog) {
      unexpected = true;
    } else {
      answer = script_.front().path;
      script_.pop_front();
    }
  }
  if (unexpected) onFailure_("unexpected file dialog \"" + request.title + "\"");
  return answer;
}

std::vector<std::string> ScriptedUi::Remaining() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> left;
  for (const Step& step : script_) {
    left.push_back(step.fileDialog ? std::string("file dialog")
                                   : DescribeBox(step.box.text, step.box.caption, step.box.flags));
  }
  return left;
}

std::vector<ShownBox> ScriptedUi::Shown() const {
  std::lock_guard lock(mutex_);
  return shown_;
}

std::vector<FileDialogRequest> ScriptedUi::FileDialogs() const {
  std::lock_guard lock(mutex_);
  return fileDialogs_;
}

}  // namespace ui
