// TOperationThread: copying a volume between any two sides (devices or image
// files) and verifying the copy. No writer preparation, no medium handling:
// the destination gets the volume's bytes from its beginning, so a volume
// found at an offset in its source is copied out bare.
#include "base/CFILE.h"
#include "base/Log.h"
#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "devices/SCSIDEV.h"
#include "host/ui/MessageBox.h"
#include "transfer/TOperationThread.h"

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
