// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ui/ConsoleUi.h"

#include "host/os/ConsoleInput.h"
#include "host/os/Interrupt.h"
#include "host/os/Platform.h"
#include "host/ui/TerminalText.h"

namespace ui {
namespace {

bool IsQuestion(unsigned flags) {
  unsigned buttons = flags & kButtonMask;
  return buttons == kYesNo || buttons == kOkCancel;
}

std::string AnswerName(int answer) {
  switch (answer) {
    case kIdYes: return "Yes";
    case kIdNo: return "No";
    case kIdCancel: return "Cancel";
    default: return "OK";
  }
}

}  // namespace

ConsoleUi::ConsoleUi(Policy policy)
    : policy_(policy), writer_([](const std::string& text) { host::WriteStderr(text); }) {
  if (host::StdinIsTerminal()) {
    // Ctrl-C ends the wait as the end of the input does: the question is
    // abandoned with the cautious answer.
    reader_ = [](std::string& line) { return host::ReadStdinLine(line) == host::LineResult::Line; };
  }
}

ConsoleUi::ConsoleUi(Policy policy, Writer writer, LineReader reader)
    : policy_(policy), writer_(std::move(writer)), reader_(std::move(reader)) {}

std::string ConsoleUi::Render(const std::string& text, const std::string& caption) {
  // A text that opens with its own caption ("[Error Information]\r\n...", a
  // device's error report) is not given it a second time.
  const std::string heading = "[" + caption + "]";
  const bool headed = text.rfind(heading, 0) == 0;
  std::string out = headed ? "" : "[" + TerminalText(caption) + "] ";
  // A box may name a file or quote a drive: its controls are escaped, its
  // line ends kept.
  for (char c : TerminalText(text, true)) {
    if (c == '\r') continue;
    out += c;
    if (c == '\n') out += "    ";
  }
  while (!out.empty() && (out.back() == ' ' || out.back() == '\n')) out.pop_back();
  return out + "\n";
}

int ConsoleUi::AskTerminal(unsigned flags) {
  const bool yesNo = (flags & kButtonMask) == kYesNo;
  const std::string prompt = yesNo ? "Yes or No? [y/n] " : "OK or Cancel? [o/c] ";
  std::string line;
  for (;;) {
    writer_(prompt);
    if (!reader_(line)) {
      if (host::InterruptRequested()) writer_("\n  -> answered " + AnswerName(NegativeAnswer(flags)) + " (canceled)\n");
      return NegativeAnswer(flags);
    }
    if (line.empty()) return DefaultAnswer(flags);
    char c = static_cast<char>(line[0] | 0x20);
    if (yesNo && c == 'y') return kIdYes;
    if (yesNo && c == 'n') return kIdNo;
    if (!yesNo && c == 'o') return kIdOk;
    if (!yesNo && c == 'c') return kIdCancel;
  }
}

int ConsoleUi::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  std::lock_guard lock(mutex_);
  writer_(Render(text, caption));
  if (!IsQuestion(flags)) return kIdOk;
  // After Ctrl-C nothing goes on because of an answer: whatever the policy,
  // a question gets No or Cancel.
  if (host::InterruptRequested()) {
    writer_("  -> answered " + AnswerName(NegativeAnswer(flags)) + " (canceled)\n");
    return NegativeAnswer(flags);
  }
  if (reader_) return AskTerminal(flags);
  int answer = policy_ == Policy::Positive ? PositiveAnswer(flags) : NegativeAnswer(flags);
  std::string note = "  -> answered " + AnswerName(answer) + " (no terminal to ask)";
  if (!hint_.empty() && answer != PositiveAnswer(flags)) note += "; " + hint_;
  writer_(note + "\n");
  return answer;
}

}  // namespace ui
