// SPDX-License-Identifier: GPL-3.0-or-later
// erase: the writer property dialog's Erase.
#include <memory>

#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/Target.h"
#include "drive/WriterProperty.h"
#include "host/os/Interrupt.h"
#include "host/os/Platform.h"

namespace {

int RunErase(const std::string& writer, bool quick) {
  auto device = OpenWriterArgument(writer);
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

}  // namespace

void AddEraseCommand(CommandSet& commands) {
  struct Arguments {
    std::string writer;
    bool quick = false;
  };
  auto arguments = std::make_shared<Arguments>();
  CLI::App* erase = commands.Add("erase", "Blank a rewritable disc", [arguments](const GlobalOptions&) {
    return RunErase(arguments->writer, arguments->quick);
  });
  erase->add_option("WRITER", arguments->writer, "HA,ID,LUN of the writer")->required();
  erase->add_flag("--quick", arguments->quick,
                  "Minimal blank (other makers' DVD-RW writers): quick, the old data is not overwritten");
}
