// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/UpdateSession.h"

#include "base/Log.h"
#include "base/ProgramIdentity.h"
#include "base/TextFormat.h"
#include "devices/SCSIDEV.h"
#include "host/os/Sleep.h"
#include "host/os/Thread.h"
#include "host/ui/MessageBox.h"

namespace {

constexpr char kCorrupted[] = "This file may be corrupted.";
constexpr uint32_t kAfterPowerOffMs = 1000;
constexpr uint32_t kAfterPowerOnMs = 3000;

}  // namespace

UpdateSession::UpdateSession(UpdateDialog& dialog, SCSIDEV& device, UpdateOptions options)
    : dialog_(dialog), device_(&device), options_(options) {}

void UpdateSession::ShowProgress(UpdateBar bar, int percent) {
  host::Thread::Synchronize([&] {
    dialog_.ShowProgress(bar, percent);
    AddLog(FormatText(bar == UpdateBar::Update ? "%d%% updated." : "%d%% verified.", percent));
  });
}

void UpdateSession::SetComment(const std::string& text) {
  host::Thread::Synchronize([&] { dialog_.SetComment(text); });
}

void UpdateSession::SetDeviceLine(const std::string& text) {
  host::Thread::Synchronize([&] { dialog_.SetDeviceLine(text); });
}

void UpdateSession::UpdateEnded(UpdateResult result) {
  host::Thread::Synchronize([&] { dialog_.UpdateEnded(result); });
}

void UpdateSession::ShowError(const std::string& text) {
  AddLog(text);
  ui::MessageBox(text, "Error", ui::kIconError);
}

void UpdateSession::ShowPrompt(const std::string& text) { ui::MessageBox(text, ProgramName, ui::kOk); }

bool UpdateSession::Confirm(const std::string& question) {
  int answer = ui::MessageBox(question, "Update firmware", ui::kOkCancel | ui::kIconQuestion);
  if (answer == ui::kIdOk) return true;
  return Cancel();
}

bool UpdateSession::Cancel() {
  AddLog("[UpdateFirmware] Canceled.");
  canceled_ = true;
  return false;
}

bool UpdateSession::AskRetry() {
  if (options_.retryLimit >= 0 && retries_ >= options_.retryLimit) {
    AddLog(FormatText("[ReidentifyDrive] The drive is still not ready after %d retries.", retries_));
    return false;
  }
  int answer = ui::MessageBox("Target drive is not ready.\r\nDo you wish to retry?", ProgramName,
                              ui::kYesNo | ui::kIconQuestion);
  if (answer != ui::kIdYes) return false;
  ++retries_;
  return true;
}

bool UpdateSession::PowerCycle(const char* model) {
  if (QuitRequested()) return false;
  ShowPrompt(FormatText("Turn off %s and push OK button.", model));
  // A prompt closed by the program's quitting was answered by nobody.
  if (QuitRequested()) return false;
  host::Sleep(kAfterPowerOffMs);
  ShowPrompt(FormatText("Turn on %s and push OK button.", model));
  host::Sleep(kAfterPowerOnMs);
  return true;
}

std::string UpdateSession::DriveStateText() const {
  constexpr char kRunAgain[] = " Run the firmware update again with a good file to recover it.";
  switch (state_) {
    case DriveState::Unchanged: return "The drive still holds its previous firmware.";
    case DriveState::HalfUpdated:
      return std::string("The drive is half-updated: part of the new firmware is committed, the rest is not.") +
             kRunAgain;
    case DriveState::BootMode: return std::string("The drive is in boot mode.") + kRunAgain;
    case DriveState::LoaderMode: return std::string("The drive is in loader mode.") + kRunAgain;
    case DriveState::NeedsRestart: return "The drive holds the new firmware: switch it off and on to start it.";
  }
  return {};
}

void UpdateSession::RefuseFile(const char* tag, const std::string& reason) {
  AddLog(FormatText("[%s] %s", tag, reason.c_str()));
  ShowError(kCorrupted);
}

void UpdateSession::ReportDeviceFailure() { device_->ReportError(nullptr, true, true); }

std::string RevisionText(const SCSIDEV& device) {
  std::string text(device.Revision(), 4);
  for (char& c : text)
    if (c == '\0') c = ' ';
  return text;
}
