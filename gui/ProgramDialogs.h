// ProgramDialogs: the dialogs the program's main window opens. The
// operation, "Firmware Update" and "Writer Property" dialogs are not part of
// this build yet; each stands here as one log line, so that the main window
// works through to the point where the dialog would open.
#pragma once

#include "gui/FormMainDialogs.h"

class VolSizeChoice;

class ProgramDialogs : public FormMainDialogs {
 public:
  // sizes: the run's volume size choice, which the operation dialog's
  // "Change size..." shows.
  explicit ProgramDialogs(VolSizeChoice& sizes) : sizes_(sizes) {}

  void ShowOperation(const OperationRequest& request) override;
  void ShowFirmwareUpdate(std::unique_ptr<SCSIDEV>& writer) override;
  void ShowWriterProperty(SCSIDEV& writer) override;

 private:
  [[maybe_unused]] VolSizeChoice& sizes_;
};
