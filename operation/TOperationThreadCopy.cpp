// SPDX-License-Identifier: GPL-3.0-or-later
// TOperationThread: copying a volume between any two sides (devices or image
// files) and verifying the copy, after asking once before it writes over
// its destination. No writer preparation, no medium handling:
// the destination gets the volume's bytes from its beginning, so a volume
// found at an offset in its source is copied out bare.
#include <filesystem>
#include <system_error>

#include "base/CFILE.h"
#include "base/Log.h"
#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "devices/DeviceLine.h"
#include "devices/SCSIDEV.h"
#include "host/ui/MessageBox.h"
#include "operation/TOperationThread.h"

// The one decision before a copy writes over its destination, once its
// source is open and holds the volume: an existing file is asked about
// (unless its chooser asked already), a device always, naming it and its
// size. Declined, the operation ends without a further box; a cancel that
// came meanwhile (Ctrl-C abandons the question) ends it as canceled.
bool TOperationThread::MayWriteDestination() {
  if (!Has(request_.operation, opcode::kCopy)) return true;  // a writer's blank disc
  const Endpoint& destination = request_.destination;
  bool agreed = true;
  if (destination.IsFile()) {
    // The source under another name is not asked about: its open fails and
    // says so, and the source is kept.
    std::error_code error;
    const bool source = request_.source.IsFile() && std::filesystem::equivalent(request_.source.file, destination.file, error);
    agreed = request_.overwriteAgreed || source || MayOverwrite(destination.file);
  } else {
    std::string question = "The copy writes over all data on " + DriveName(*destination.device) + ", " +
                           FormatNumber(destinationBytes_) + " bytes.\r\nDo you wish to continue?";
    agreed = ui::MessageBox(question, ProgramName, ui::kYesNo | ui::kIconQuestion | ui::kDefButton2) == ui::kIdYes;
  }
  if (agreed || Terminated()) return true;  // a cancel is the pass's to end
  Cancel();
  ending_.declined = true;
  AddLog("Operation canceled by user instruction.");
  return false;
}

bool TOperationThread::CopySingleMode() {
  AddLog("[TOperationThread::CopySingleMode]");
  percent_ = 0;

  const Endpoint& destination = request_.destination;
  uint64_t free = 0, total = 0;
  if (destination.IsFile()) {
    free = DiskFreeBytes(destination.file);
    total = DiskTotalBytes(destination.file);
  } else {
    free = total = destination.device->GetCapacity();
    NoteMedium(*destination.device, total);
  }
  AddLog("VolumeSize: " + FormatNumber(volumeSize_) + " bytes");
  AddLog("DstSize: " + FormatNumber(total) + " bytes");
  AddLog("DstFreeSize: " + FormatNumber(free) + " bytes");
  destinationBytes_ = total;


  if (volumeSize_ > free) {
    int answer = ui::MessageBox("Destination has not enough free space. Are you sure to continue?", ProgramName,
                                ui::kYesNo | ui::kIconError | ui::kDefButton2);
    if (answer != ui::kIdYes) {
      Cancel(true);
      return false;
    }
  }

  if (!RunSteps([&](Step step) { return RunPass(step, destination); })) return false;
  ending_.closeAtEnd = true;
  return true;
}
