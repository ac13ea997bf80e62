// SPDX-License-Identifier: GPL-3.0-or-later
// UpdateSession: what the two update procedures and the re-identification
// share while one update runs: the target device, the dialog (reached
// through Synchronize), the boxes of the update with their exact texts, the
// power-cycle prompts and whether the person canceled the confirmation.
#pragma once

#include <atomic>
#include <string>

#include "firmware/UpdateDialog.h"

class SCSIDEV;

struct UpdateOptions {
  // How often the "Target drive is not ready" question may be answered Yes
  // before the update stops waiting for the drive; negative: as often as the
  // person likes. Unattended runs set a limit, so that they never wait
  // forever.
  int retryLimit = -1;
};

// What the drive holds while an update runs, as far as the update has
// brought it: said after a failure and when the program quits meanwhile.
enum class DriveState {
  Unchanged,      // nothing committed: the previous firmware runs
  HalfUpdated,    // one part committed, the other not
  BootMode,       // the QXW-7200 waits in boot mode for its loader
  LoaderMode,     // the QXW-7200's loader waits for the firmware
  NeedsRestart,   // all committed: the new firmware starts after a power cycle
};

class UpdateSession {
 public:
  UpdateSession(UpdateDialog& dialog, SCSIDEV& device, UpdateOptions options);

  SCSIDEV& Device() { return *device_; }
  // The device object after re-identification replaced it.
  void SetDevice(SCSIDEV& device) { device_ = &device; }

  // The dialog, on the GUI thread. ShowProgress also logs "%d%% updated."
  // or "%d%% verified.".
  void ShowProgress(UpdateBar bar, int percent);
  void SetComment(const std::string& text);
  void SetDeviceLine(const std::string& text);
  void UpdateEnded(UpdateResult result);

  // The error box: caption "Error", error icon; the text is logged too.
  void ShowError(const std::string& text);
  // A prompt with an OK button and no icon, caption the program name.
  void ShowPrompt(const std::string& text);
  // The confirmation (caption "Update firmware", OK/Cancel, question icon).
  // Cancel marks the update canceled.
  bool Confirm(const std::string& question);
  bool Canceled() const { return canceled_; }
  // The update ends before it sends anything, as after Cancel; false.
  bool Cancel();
  // "Target drive is not ready.\r\nDo you wish to retry?"; false for No,
  // and without asking once the retry limit is used up.
  bool AskRetry();
  // "Turn off <model> and push OK button.", 1000 ms, "Turn on <model> and
  // push OK button.", 3000 ms. A prompt that nobody will answer (the program
  // quits) is a point where the drive is consistent: then nothing is shown
  // or answered, and false says that the update stops here.
  bool PowerCycle(const char* model);

  // The program quits (a signal): the update goes on to the next point where
  // the drive is consistent, and stops there. flag may be nullptr.
  void SetQuitFlag(const std::atomic<bool>* flag) { quit_ = flag; }
  bool QuitRequested() const { return quit_ != nullptr && quit_->load(); }
  // Where the drive stands, and what to do about it, in words.
  void SetDriveState(DriveState state) { state_ = state; }
  DriveState State() const { return state_; }
  std::string DriveStateText() const;

  // A file that cannot be sent as it stands: the reason is logged under tag,
  // the person sees "This file may be corrupted.".
  void RefuseFile(const char* tag, const std::string& reason);
  // A buffer command failed: the device's error report in a box, forced so
  // that a command that was never answered is explained too.
  void ReportDeviceFailure();

 private:
  UpdateDialog& dialog_;
  SCSIDEV* device_;
  UpdateOptions options_;
  bool canceled_ = false;
  int retries_ = 0;
  const std::atomic<bool>* quit_ = nullptr;
  DriveState state_ = DriveState::Unchanged;
};


// The four revision characters of a device, a blank for each missing one.
std::string RevisionText(const SCSIDEV& device);
