// ProgramDialogs: the dialogs the program's main window opens. The
// "Firmware Update" and "Writer Property" dialogs are made at their first
// use and then live for the whole run. The operation dialog is not part of
// this build yet: it stands here as one log line, so that a start action
// works through to the point where the dialog would open.
#pragma once

#include <memory>

#include "gui/FormMainDialogs.h"

class TFormUpdateFirm;
class TWrDevPropForm;
class VolSizeChoice;

class ProgramDialogs : public FormMainDialogs {
 public:
  // sizes: the run's volume size choice, which the operation dialog's
  // "Change size..." shows.
  explicit ProgramDialogs(VolSizeChoice& sizes);
  ~ProgramDialogs() override;

  void ShowOperation(const OperationRequest& request) override;
  void ShowFirmwareUpdate(std::unique_ptr<SCSIDEV>& writer) override;
  void ShowWriterProperty(SCSIDEV& writer) override;

 private:
  [[maybe_unused]] VolSizeChoice& sizes_;
  std::unique_ptr<TFormUpdateFirm> formUpdateFirm_;
  std::unique_ptr<TWrDevPropForm> wrDevPropForm_;
};
