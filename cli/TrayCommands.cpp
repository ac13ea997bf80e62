// SPDX-License-Identifier: GPL-3.0-or-later
// load and eject: the Drive menu's Load and Eject, which close and open a
// writer's tray. One file for the two, which differ only in the action.
#include <memory>

#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/Target.h"
#include "drive/WriterProperty.h"

namespace {

// The action on a writer; an argument that names no device is a usage
// error.
int OnWriter(const std::string& text, bool (*action)(SCSIDEV&)) {
  auto address = ParseDeviceArgument(text, "A writer");
  if (!address) return kExitUsage;
  auto device = OpenDeviceAs(*address, AddressRole::Writer);
  return device && action(*device) ? kExitDone : kExitFailed;
}

void AddTrayCommand(CommandSet& commands, const char* name, const char* description, bool (*action)(SCSIDEV&)) {
  auto writer = std::make_shared<std::string>();
  CLI::App* command =
      commands.Add(name, description, [writer, action](const GlobalOptions&) { return OnWriter(*writer, action); });
  command->add_option("WRITER", *writer, "HA,ID,LUN of the writer")->required();
}

}  // namespace

void AddLoadCommand(CommandSet& commands) {
  AddTrayCommand(commands, "load", "Load the writer's disc (close its tray)", LoadDisc);
}

void AddEjectCommand(CommandSet& commands) {
  AddTrayCommand(commands, "eject", "Eject the writer's disc (open its tray)", EjectDisc);
}
