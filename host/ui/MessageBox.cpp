// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ui/MessageBox.h"

#include <atomic>

#include "host/ui/ConsoleUi.h"

namespace ui {
namespace {

std::atomic<Backend*>& Installed() {
  static std::atomic<Backend*> backend{nullptr};
  return backend;
}

// Without an installed backend the program talks to its terminal and, when
// nobody is there, takes the cautious answer.
Backend& Fallback() {
  static ConsoleUi console(ConsoleUi::Policy::Negative);
  return console;
}

Backend& Current() {
  Backend* backend = Installed().load();
  return backend ? *backend : Fallback();
}

}  // namespace

void OpenQuestion::Withdraw() {
  withdrawn_ = true;
  if (closer_) closer_();
}

int Backend::MessageBox(const std::string& text, const std::string& caption, unsigned flags, OpenQuestion& question) {
  if (question.Withdrawn()) return NegativeAnswer(flags);
  return MessageBox(text, caption, flags);
}

std::optional<std::string> Backend::FileDialog(const FileDialogRequest&) { return std::nullopt; }
void Backend::SetBusyCursor(bool) {}

int MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  return Current().MessageBox(text, caption, flags);
}

int MessageBox(const std::string& text, const std::string& caption, unsigned flags, OpenQuestion& question) {
  return Current().MessageBox(text, caption, flags, question);
}

std::optional<std::string> FileDialog(const FileDialogRequest& request) { return Current().FileDialog(request); }

void SetBusyCursor(bool busy) { Current().SetBusyCursor(busy); }

int NegativeAnswer(unsigned flags) {
  switch (flags & kButtonMask) {
    case kYesNo: return kIdNo;
    case kOkCancel: return kIdCancel;
    default: return kIdOk;
  }
}

int PositiveAnswer(unsigned flags) { return (flags & kButtonMask) == kYesNo ? kIdYes : kIdOk; }

int DefaultAnswer(unsigned flags) {
  return (flags & kDefButton2) ? NegativeAnswer(flags) : PositiveAnswer(flags);
}

void InstallBackend(Backend* backend) { Installed().store(backend); }
Backend* CurrentBackend() { return Installed().load(); }

ScopedBackend::ScopedBackend(Backend& backend) : previous_(Installed().exchange(&backend)) {}
ScopedBackend::~ScopedBackend() { Installed().store(previous_); }

}  // namespace ui
