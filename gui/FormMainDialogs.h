// SPDX-License-Identifier: GPL-3.0-or-later
// FormMainDialogs: the dialogs the main window opens, as the main window sees
// them. The program gives the main window one implementation that shows the
// real dialogs; tests give it one that records what was asked.
//
// Contract:
// - Every call comes on the GUI thread from a handler of the main window and
//   returns when the dialog has closed (each dialog is modal).
// - The main window owns the device objects. A request's endpoints point
//   into its lists and stay valid during the call.
// - ShowFirmwareUpdate gets the list slot of the selected writer: an update
//   that changes the writer's generation replaces the object in the slot
//   with one of the right class (the old object is freed then).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "operation/OperationDialog.h"
#include "operation/OperationRequest.h"

class SCSIDEV;

class FormMainDialogs {
 public:
  virtual ~FormMainDialogs() = default;
  // The operation dialog, filled in with the request (its form follows the
  // request: pattern, or the sides as device or file) and shown modally; how
  // the last operation run in it ended, nothing when none ran.
  virtual std::optional<OperationOutcome> ShowOperation(const OperationRequest& request) = 0;
  // The "Firmware Update" dialog for the selected writer.
  virtual void ShowFirmwareUpdate(std::unique_ptr<SCSIDEV>& writer) = 0;
  // The "Writer Property" dialog for the selected writer.
  virtual void ShowWriterProperty(SCSIDEV& writer) = 0;
  // "Write to several writers": the checked source (the request's source
  // and volume) onto writers ticked among the Write page's destinations
  // (items: their list texts, devices: their devices, in the list's order).
  virtual void ShowSeveralWriters(const OperationRequest& source, const std::vector<std::string>& items,
                                  const std::vector<SCSIDEV*>& devices) = 0;
  // The "Read Scan" window for the drive selected in the Copy page's source
  // list.
  virtual void ShowReadScan(SCSIDEV& drive) = 0;
};
