// SPDX-License-Identifier: GPL-3.0-or-later
// copy SOURCE DEST: the Copy page's Copy and Verify, between devices and
// files.
#include <memory>

#include "cli/Commands.h"
#include "cli/OperationCommand.h"

void AddCopyCommand(CommandSet& commands) {
  struct Arguments {
    OperationArguments operation;
    std::string mode = "copy-verify";
  };
  auto arguments = std::make_shared<Arguments>();
  CLI::App* copy = commands.Add(
      "copy", "Copy (and verify) a volume between devices and files", [arguments](const GlobalOptions& global) {
        OperationArguments operation = arguments->operation;
        operation.command = "copy";
        operation.mode = arguments->mode;
        operation.yes = global.yes;
        return RunOperation(operation);
      });
  copy->add_option("SOURCE", arguments->operation.source, "HA,ID,LUN or a file")->required();
  copy->add_option("DEST", arguments->operation.destination, "HA,ID,LUN or a file")->required();
  copy->add_option("--mode", arguments->mode, "copy | copy-verify | verify");
  AddSizeOption(*copy, arguments->operation.size, "Volume size in bytes, instead of the size the check chose");
  AddRecordOption(*copy, arguments->operation.record, "Write the disc record to this file");
}
