// SPDX-License-Identifier: GPL-3.0-or-later
// The trace output (every log entry) on the standard error, when a person
// asks for it (marrowlight-cli --verbose, marrowlight --trace). Log entries
// come without line ends (the log file adds its own), so each one is ended
// here; the line end of a trace written in two pieces (text, then "\r\n")
// is not doubled. Control characters are escaped, layout kept.
#pragma once

#include <string>
#include <string_view>

#include "host/os/Platform.h"
#include "host/ui/TerminalText.h"

class VerboseTrace {
 public:
  void operator()(std::string_view text) {
    if (text.empty()) return;
    if (endedHere_ && (text == "\r\n" || text == "\n")) {
      endedHere_ = false;
      return;
    }
    std::string shown = ui::TerminalText(text, true);
    endedHere_ = shown.back() != '\n';
    if (endedHere_) shown += '\n';
    host::WriteStderr(shown);
  }

 private:
  bool endedHere_ = false;  // the last text got its line end from here
};
