// SPDX-License-Identifier: GPL-3.0-or-later
// UpdateDialog: what a firmware update asks of the dialog that started it.
// The Qt "Firmware Update" dialog, the headless front end and the tests
// implement it.
//
// Contract:
// - Every call is made through host::Thread::Synchronize, i.e. on the GUI
//   thread while the update thread waits for it to return.
// - Message boxes are not the dialog's business: the update shows its
//   confirmation, power prompts, errors, retry question and result box
//   through the person seam (ui::MessageBox) and then tells the dialog how
//   it ended.
// - An update cannot be canceled once it runs (a drive left halfway may not
//   start again): the dialog keeps Start and Close disabled, and refuses to
//   close, from the moment it starts an update until UpdateEnded. Only the
//   confirmation question cancels.
#pragma once

#include <string>

enum class UpdateResult {
  Done,      // "Update firmware done."
  Failed,    // "Update firmware  failed."
  Canceled,  // the confirmation was canceled; no result box
};

// The two progress bars of the dialog.
enum class UpdateBar { Update = 0, Verify = 1 };

class UpdateDialog {
 public:
  virtual ~UpdateDialog() = default;
  // Moves a bar to percent (0-100) and its text to "<percent>%".
  virtual void ShowProgress(UpdateBar bar, int percent) = 0;
  // The state line under the bars ("Now updating QXW-7100 ..."); empty
  // clears it.
  virtual void SetComment(const std::string& text) = 0;
  // The device line of the "Writing Device" group ("Now getting inquiry
  // data...", then the writer as it answers after the update).
  virtual void SetDeviceLine(const std::string& text) = 0;
  // The update has ended and its result box (if any) has been answered:
  // Start and Close are usable again.
  virtual void UpdateEnded(UpdateResult result) = 0;
};
