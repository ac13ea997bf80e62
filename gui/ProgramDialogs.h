// SPDX-License-Identifier: GPL-3.0-or-later
// ProgramDialogs: the dialogs the program's main window opens. The
// operation, "Firmware Update", "Writer Property" and "Read Scan" dialogs
// are made at their first use and then live for the whole run.
#pragma once

#include <memory>

#include "gui/FormMainDialogs.h"
#include "gui/TerminationWatch.h"

class TFormUpdateFirm;
class TReadScanForm;
class TSeveralWritersForm;
class TWrDevPropForm;
class TWriteForm;
class VolSizeChoice;

class ProgramDialogs : public FormMainDialogs, public QuitTargets {
 public:
  // sizes: the run's volume size choice, which the operation dialog's
  // "Change size..." shows.
  explicit ProgramDialogs(VolSizeChoice& sizes);
  ~ProgramDialogs() override;

  std::optional<OperationOutcome> ShowOperation(const OperationRequest& request) override;
  void ShowFirmwareUpdate(std::unique_ptr<SCSIDEV>& writer) override;
  void ShowWriterProperty(SCSIDEV& writer) override;
  void ShowSeveralWriters(const OperationRequest& source, const std::vector<std::string>& items,
                          const std::vector<SCSIDEV*>& devices) override;
  void ShowReadScan(SCSIDEV& drive) override;
  // The running operation and firmware update, before a signal ends the
  // program.
  void StopForQuit() override;
  bool Runs(const QWidget& window) const override;

 private:
  VolSizeChoice& sizes_;
  std::unique_ptr<TWriteForm> writeForm_;
  std::unique_ptr<TFormUpdateFirm> formUpdateFirm_;
  std::unique_ptr<TWrDevPropForm> wrDevPropForm_;
  std::unique_ptr<TSeveralWritersForm> severalWritersForm_;
  std::unique_ptr<TReadScanForm> readScanForm_;
};
