// info and erase: the writer property dialog's line, free size and Erase.
#include <iostream>

#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/Target.h"
#include "devices/DeviceLine.h"
#include "drive/WriterProperty.h"
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
  switch (EraseDisc(*device, quick ? EraseKind::Quick : EraseKind::Full)) {
    case EraseResult::Done: return kExitDone;
    case EraseResult::Declined: return kExitCanceled;
    case EraseResult::Failed: return kExitFailed;
  }
  return kExitFailed;
}
