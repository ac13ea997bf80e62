// SPDX-License-Identifier: GPL-3.0-or-later
// ConsoleUi: the person seam on a terminal, for the headless front end.
//
// Every box is printed to the standard error as "[caption] text". When the
// standard input is a terminal the person answers there; otherwise the preset
// policy answers: Positive gives Yes or OK, Negative gives No or Cancel. An
// unattended question also prints which answer it took and, when set, a hint
// (for example which option would have answered Yes).
#pragma once

#include <functional>
#include <mutex>
#include <string>

#include "host/ui/MessageBox.h"

namespace ui {

class ConsoleUi : public Backend {
 public:
  enum class Policy { Positive, Negative };
  using LineReader = std::function<bool(std::string&)>;
  using Writer = std::function<void(const std::string&)>;

  explicit ConsoleUi(Policy policy);
  // For tests: where the boxes go, and whether and how answers are read.
  ConsoleUi(Policy policy, Writer writer, LineReader reader);

  void SetUnattendedHint(std::string hint) { hint_ = std::move(hint); }
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;

  // The printed form of a box, one line per line of text.
  static std::string Render(const std::string& text, const std::string& caption);

 private:
  int AskTerminal(unsigned flags);

  Policy policy_;
  Writer writer_;
  LineReader reader_;  // empty: nobody to ask
  std::string hint_;
  std::mutex mutex_;
};

}  // namespace ui
