// SPDX-License-Identifier: GPL-3.0-or-later
// info: the writer property dialog's line and free size.
#include <iostream>
#include <memory>

#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/Target.h"
#include "devices/DeviceLine.h"
#include "devices/NoDisc.h"
#include "drive/WriterProperty.h"

namespace {

int RunInfo(const std::string& writer) {
  auto device = OpenWriterArgument(writer);
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

}  // namespace

void AddInfoCommand(CommandSet& commands) {
  auto writer = std::make_shared<std::string>();
  CLI::App* info = commands.Add("info", "The writer line and the free bytes",
                                [writer](const GlobalOptions&) { return RunInfo(*writer); });
  info->add_option("WRITER", *writer, "HA,ID,LUN of the writer")->required();
}
