// TOperationThread: copying a volume between any two sides (devices or image
// files) and verifying the copy. No writer preparation, no medium handling:
// the destination gets the volume's bytes from its beginning, so a volume
// found at an offset in its source is copied out bare.
#include "base/Log.h"
#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "devices/SCSIDEV.h"
#include "host/ui/MessageBox.h"
#include "base/CFILE.h"
#include "transfer/TOperationThread.h"

namespace {

constexpr uint16_t kCopyBit = 0x08;
constexpr uint16_t kVerifyBit = 0x01;

}  // namespace

bool TOperationThread::CopySingleMode() {
  AddLog("[TOperationThread::CopySingleMode]");
  doCopy_ = (code_ & kCopyBit) != 0;
  doVerify_ = (code_ & kVerifyBit) != 0;
  percent_ = 0;

  uint64_t free = 0, total = 0;
  if (destinationIsFile_) {
    free = DiskFreeBytes(destinationFile_);
    total = DiskTotalBytes(destinationFile_);
  } else {
    free = total = destinationDevice_->GetCapacity();
  }
  AddLog("VolumeSize: " + FormatNumber(volumeSize_) + " bytes");
  AddLog("DstSize: " + FormatNumber(total) + " bytes");
  AddLog("DstFreeSize: " + FormatNumber(free) + " bytes");

  if (volumeSize_ > free) {
    int answer = ui::MessageBox("Destination has not enough free space. Are you sure to continue?", ProgramName,
                                ui::kYesNo | ui::kIconError | ui::kDefButton2);
    if (answer != ui::kIdYes) {
      canceled_ = true;
      closeAtEnd_ = true;
      return false;
    }
  }

  if (doCopy_) {
    phase_ = 2;
    dialog_.SetComment("Now copying ...");
    if (!WriteCore(sourceIsFile_, sourceFile_, volumeSize_, 0, volumeSize_, 0, destinationDevice_,
                   destinationFile_, destinationIsFile_, sourceStart_, sourceDevice_)) {
      ui::MessageBox("Copying failed.", ProgramName, ui::kIconError);
      return false;
    }
  }
  if (doVerify_) {
    phase_ = 3;
    dialog_.SetComment("Now verifying ...");
    if (!VerifyCore(sourceIsFile_, sourceFile_, volumeSize_, 0, volumeSize_, 0, destinationDevice_,
                    destinationFile_, destinationIsFile_, sourceStart_, sourceDevice_)) {
      ui::MessageBox("Verifying failed.", ProgramName, ui::kIconError);
      return false;
    }
  }
  closeAtEnd_ = true;
  return true;
}
