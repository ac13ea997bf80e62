// info and erase: the writer property dialog's line, free size and Erase.
#include <iostream>

#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/Target.h"
#include "devices/DeviceLine.h"
#include "drive/WriterProperty.h"
#include "host/os/Interrupt.h"
#include "host/os/Platform.h"

namespace {

// The writer property dialog opens only for the Write page's writers: any
// other device is refused here, before a question is asked of it.
std::unique_ptr<SCSIDEV> OpenWriter(const std::string& text) {
  auto address = ParseAddress(text);
  if (!address) {
    host::WriteStderr("A writer is a SCSI address written HA,ID,LUN, such as 0,4,0.\n");
    return nullptr;
  }
  return OpenDeviceAs(*address, Role::Writer);
}

}  // namespace

int RunInfo(const std::string& writer) {
  auto device = OpenWriter(writer);
  if (!device) return kExitFailed;
  std::cout << DeviceLine(*device) << "\n";
  // A writer in boot or loader mode holds no usable firmware: its line says
  // what to do, and nothing describes it as ready.
  if (!FirmwareModeNote(*device).empty()) return kExitFailed;
  if (ShowsFreeSizeAndErase(*device)) std::cout << FreeSizeLine(device->GetFreeSize()) << "\n";
  return kExitDone;
}

int RunErase(const std::string& writer) {
  auto device = OpenWriter(writer);
  if (!device) return kExitFailed;
  if (!ShowsFreeSizeAndErase(*device)) {
    host::WriteStderr("This writer offers no erase.\n");
    return kExitFailed;
  }
  // Ctrl-C ends the wait for the drive with a word, never the program at once.
  host::InstallInterruptHandler();
  switch (EraseDisc(*device)) {
    case EraseResult::Done: return kExitDone;
    case EraseResult::Declined: return kExitCanceled;
    case EraseResult::Failed: return kExitFailed;
    case EraseResult::Interrupted: return kExitCanceled;
  }
  return kExitFailed;
}
