// info, erase, load and eject: the writer property dialog's line, free size
// and Erase, and the Drive menu's Load and Eject.
#include <iostream>

#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/Target.h"
#include "devices/DeviceLine.h"
#include "devices/NoDisc.h"
#include "drive/WriterProperty.h"
#include "host/os/Interrupt.h"
#include "host/os/Platform.h"

namespace {

// The writer property dialog opens only for the Write page's writers: any
// other device is refused here, before a question is asked of it.
std::unique_ptr<SCSIDEV> OpenWriter(const std::string& text) {
  auto address = ParseDeviceArgument(text, "A writer");
  if (!address) return nullptr;
  return OpenDeviceAs(*address, AddressRole::Writer);
}

}  // namespace

int RunInfo(const std::string& writer) {
  auto device = OpenWriter(writer);
  if (!device) return kExitFailed;
  std::cout << DeviceLine(*device) << "\n";
  // A writer in boot or loader mode holds no usable firmware: its line says
  // what to do, and nothing describes it as ready.
  if (!FirmwareModeNote(*device).empty()) return kExitFailed;
  if (std::string none = NoDiscIn(*device); !none.empty()) {
    // Said as the windows say it; a script learns it from the status.
    std::cout << none << "\n";
    return kExitFailed;
  }
  if (std::string disc = DiscLine(*device); !disc.empty()) std::cout << disc << "\n";
  if (ShowsFreeSizeAndErase(*device)) std::cout << FreeSizeLine(device->GetFreeSize()) << "\n";
  return kExitDone;
}

int RunErase(const std::string& writer, bool quick) {
  auto device = OpenWriter(writer);
  if (!device) return kExitFailed;
  if (!ShowsFreeSizeAndErase(*device)) {
    host::WriteStderr("This writer offers no erase.\n");
    return kExitFailed;
  }
  if (quick && !OffersQuickErase(*device)) {
    host::WriteStderr("The maker's writers erase the whole disc: leave out --quick.\n");
    return kExitUsage;
  }
  // Ctrl-C ends the wait for the drive with a word, never the program at once.
  host::InstallInterruptHandler();
  switch (EraseDisc(*device, quick ? EraseKind::Quick : EraseKind::Full)) {
    case EraseResult::Done: return kExitDone;
    case EraseResult::Declined: return kExitCanceled;
    case EraseResult::Failed: return kExitFailed;
    case EraseResult::Interrupted: return kExitCanceled;
  }
  return kExitFailed;
}

namespace {

// The Drive menu's Load or Eject on a writer; an argument that names no
// device is a usage error.
int OnWriter(const std::string& text, bool (*action)(SCSIDEV&)) {
  auto address = ParseDeviceArgument(text, "A writer");
  if (!address) return kExitUsage;
  auto device = OpenDeviceAs(*address, AddressRole::Writer);
  return device && action(*device) ? kExitDone : kExitFailed;
}

}  // namespace

int RunLoad(const std::string& writer) { return OnWriter(writer, LoadDisc); }

int RunEject(const std::string& writer) { return OnWriter(writer, EjectDisc); }
