// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ProgressJson.h"

#include <cmath>

#include "base/TextFormat.h"
#include "cli/ExitStatus.h"
#include "cli/JsonText.h"

namespace {

ProgressJson* active = nullptr;

constexpr const char* kRowPhases[] = {"test", "write", "copy", "verify"};

// Names of the icons and button sets of a box (host/ui/MessageBox.h).
const char* IconName(unsigned flags) {
  switch (flags & 0xF0) {
    case ui::kIconError: return "error";
    case ui::kIconQuestion: return "question";
    case ui::kIconExclamation: return "warning";
    case ui::kIconInformation: return "information";
  }
  return "none";
}

const char* ButtonsName(unsigned flags) {
  switch (flags & ui::kButtonMask) {
    case ui::kOkCancel: return "ok-cancel";
    case ui::kYesNo: return "yes-no";
  }
  return "ok";
}

const char* AnswerName(int answer) {
  switch (answer) {
    case ui::kIdCancel: return "cancel";
    case ui::kIdYes: return "yes";
    case ui::kIdNo: return "no";
  }
  return "ok";
}

// The name of an exit status; 4 is a verify's differences, or a read scan's
// unreadable sectors.
std::string ResultName(const std::string& command, int status) {
  switch (status) {
    case kExitDone: return "done";
    case kExitFailed: return "failed";
    case kExitUsage: return "usage";
    case kExitCanceled: return "canceled";
    case kExitDifferences: return command == "readscan" ? "unreadable" : "differences";
  }
  return "failed";
}

// Boxes end their lines with "\r\n"; a JSON reader wants "\n".
std::string PlainLines(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c != '\r') out += c;
  return out;
}

template <class T>
nlohmann::ordered_json OrNull(const std::optional<T>& value) {
  return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
}

std::string Line(const nlohmann::ordered_json& object) { return JsonLine(object) + "\n"; }

}  // namespace

ProgressJson::ProgressJson(Writer writer, Lines lines) : writer_(std::move(writer)), lines_(lines) {}

void ProgressJson::WriteLine(const std::string& line) { writer_(line); }

void ProgressJson::Progress(const ProgressStep& step) {
  std::lock_guard lock(mutex_);
  auto [last, fresh] = lastSteps_.try_emplace(step.writer, LastStep{step.phase, step.pass, step.percent});
  if (fresh || last->second.phase != step.phase || last->second.pass != step.pass) {
    last->second = {step.phase, step.pass, step.percent};
    WriteLine(Line({{"type", "phase"}, {"writer", step.writer}, {"phase", step.phase}, {"pass", step.pass}}));
  } else if (last->second.percent == step.percent) {
    return;  // a pass's start and its first percent may fall together
  } else {
    last->second.percent = step.percent;
  }
  std::optional<double> speed;
  // Two decimals: what a person reads, and a stable text for a script.
  if (step.bytesPerSecond) speed = std::round(*step.bytesPerSecond / 1e4) / 100;
  WriteLine(Line({{"type", "progress"},
                  {"writer", step.writer},
                  {"phase", step.phase},
                  {"pass", step.pass},
                  {"percent", step.percent},
                  {"bytes", OrNull(step.bytes)},
                  {"total", OrNull(step.total)},
                  {"speed_mb_s", OrNull(speed)},
                  {"time_left_s", OrNull(step.secondsLeft)}}));
}

void ProgressJson::Box(const std::string& text, const std::string& caption, unsigned flags, int answer) {
  if (lines_ == Lines::ProgressOnly) return;
  std::lock_guard lock(mutex_);
  WriteLine(Line({{"type", "box"},
                  {"caption", caption},
                  {"text", PlainLines(text)},
                  {"icon", IconName(flags)},
                  {"buttons", ButtonsName(flags)},
                  {"answer", AnswerName(answer)}}));
}

void ProgressJson::Comment(const std::string& writer, const std::string& text) {
  if (lines_ == Lines::ProgressOnly) return;
  std::lock_guard lock(mutex_);
  WriteLine(Line({{"type", "comment"}, {"writer", writer}, {"text", PlainLines(text)}}));
}

void ProgressJson::Result(const std::string& command, int status) {
  if (lines_ == Lines::ProgressOnly) return;
  std::lock_guard lock(mutex_);
  WriteLine(Line({{"type", "result"}, {"command", command}, {"status", status}, {"result", ResultName(command, status)}}));
}

ProgressStep ProgressJson::FromPass(int phase, int percent, const PassProgress& report) {
  ProgressStep step;
  step.writer = AddressText(report.writer);
  step.phase = phase >= 0 && phase < 4 ? kRowPhases[phase] : "";
  step.pass = report.pass;
  step.percent = percent;
  step.bytes = report.done;
  step.total = report.total;
  // Until the pass has run long enough to tell, nobody knows its speed.
  if (report.bytesPerSecond > 0) step.bytesPerSecond = report.bytesPerSecond;
  if (report.secondsLeft >= 0) step.secondsLeft = report.secondsLeft;
  return step;
}

std::string ProgressJson::AddressText(const aspi::ScsiAddress& address) {
  if (!address.IsSet()) return "";
  return FormatText("%d,%d,%d", address.ha, address.id, address.lun);
}

int ProgressJsonBoxes::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  int answer = inner_.MessageBox(text, caption, flags);
  json_.Box(text, caption, flags, answer);
  return answer;
}

ProgressJson* ActiveProgressJson() { return active; }

ScopedProgressJson::ScopedProgressJson(ProgressJson& json) : previous_(active) { active = &json; }
ScopedProgressJson::~ScopedProgressJson() { active = previous_; }
