// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ConsoleDialog.h"

#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "base/TextFormat.h"
#include "host/os/Platform.h"
#include "host/ui/MessageBox.h"
#include "operation/OperationTexts.h"

namespace {

constexpr const char* kPhaseNames[] = {"Test", "Write", "Copy", "Verify"};
constexpr int kBarWidth = 30;

std::string Duration(double seconds) {
  long whole = seconds > 0 ? static_cast<long>(seconds + 0.5) : 0;
  return FormatText("%ld:%02ld", whole / 60, whole % 60);
}

}  // namespace

const char* ConsoleDialog::PhaseName(int phase) { return phase >= 0 && phase < 4 ? kPhaseNames[phase] : "Progress"; }

ConsoleDialog::ConsoleDialog(uint64_t volumeSize, bool terminal)
    : volumeSize_(volumeSize), terminal_(terminal), json_(ActiveProgressJson()) {}

std::string ConsoleDialog::Bar(const char* phase, int percent, uint64_t bytes, double seconds, uint64_t total) {
  int filled = percent * kBarWidth / 100;
  std::string bar(static_cast<size_t>(filled), '#');
  bar.resize(kBarWidth, '.');
  double speed = seconds > 0 ? static_cast<double>(bytes) / seconds : 0;
  std::string left = speed > 0 ? Duration(static_cast<double>(total - bytes) / speed) : "-:--";
  return FormatText("%-6s [%s] %3d%%  %s bytes  %.1f MB/s  %s left", phase, bar.c_str(), percent,
                    FormatNumber(bytes).c_str(), speed / 1e6, left.c_str());
}

void ConsoleDialog::ShowProgress(int phase, int percent) {
  std::lock_guard lock(mutex_);
  if (json_) {
    // The line comes with the pass's report, right after this.
    phase_ = phase;
    lastPercent_ = percent;
    return;
  }
  if (phase != phase_) {
    EndBarLine();
    phase_ = phase;
    lastPercent_ = -1;
    phaseStart_ = std::chrono::steady_clock::now();
  }
  if (percent == lastPercent_) return;
  lastPercent_ = percent;
  const uint64_t total = passBytes_ ? passBytes_() : volumeSize_;
  uint64_t bytes = total / 100 * static_cast<uint64_t>(percent) + total % 100 * percent / 100;
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - phaseStart_).count();
  if (terminal_) {
    // "\x1b[K" clears what a longer previous bar left at the end of the line.
    host::WriteStderr("\r" + Bar(PhaseName(phase), percent, bytes, seconds, total) + "\x1b[K");
    barOpen_ = true;
  } else {
    host::WriteStderr(FormatText("%s %d%% (%s bytes)\n", PhaseName(phase), percent, FormatNumber(bytes).c_str()));
  }
}

void ConsoleDialog::ShowPassProgress(const PassProgress& report) {
  std::lock_guard lock(mutex_);
  if (json_) json_->Progress(ProgressJson::FromPass(phase_, lastPercent_, report));
}

void ConsoleDialog::EndBarLine() {
  if (barOpen_) host::WriteStderr("\n");
  barOpen_ = false;
}

bool ConsoleDialog::AskWriteMode(uint64_t volumeBytes, uint64_t discBytes) {
  return AskWriteModeOnConsole(volumeBytes, discBytes);
}

bool ConsoleDialog::AskWriteModeOnConsole(uint64_t volumeBytes, uint64_t discBytes) {
  // The "Write Mode Select" window, as a question on the console; as there,
  // writing nothing is the default.
  int answer = ui::MessageBox("Specified volume size is larger than the disc size.\r\n" +
                                  WriteModeSizesText(volumeBytes, discBytes) +
                                  "\r\nDo you wish to write the volume up to the disc size?\r\n(Rest of the volume is "
                                  "not written.)",
                              "Write Mode Select", ui::kOkCancel | ui::kIconQuestion | ui::kDefButton2);
  return answer == ui::kIdOk;
}

void ConsoleDialog::OperationEnded(OperationResult, bool) {
  std::lock_guard lock(mutex_);
  EndBarLine();
}

void ConsoleDialog::SetComment(const std::string& text) {
  std::lock_guard lock(mutex_);
  if (text.empty()) return;
  EndBarLine();
  host::WriteStderr(text + "\n");
  if (json_) json_->Comment(writer_, text);
}

void ConsoleDialog::BreakLine() {
  std::lock_guard lock(mutex_);
  EndBarLine();
}

