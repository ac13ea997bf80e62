// SPDX-License-Identifier: GPL-3.0-or-later
// pattern WRITER --size N: Option > Write Pattern.
#include <memory>

#include "cli/Commands.h"
#include "cli/OperationCommand.h"

void AddPatternCommand(CommandSet& commands) {
  struct Arguments {
    OperationArguments operation;
    std::string mode = "test-write-verify";
  };
  auto arguments = std::make_shared<Arguments>();
  CLI::App* pattern =
      commands.Add("pattern", "Write (test, verify) the test pattern", [arguments](const GlobalOptions& global) {
        OperationArguments operation = arguments->operation;
        operation.command = "pattern";
        operation.mode = arguments->mode;
        operation.yes = global.yes;
        return RunOperation(operation);
      });
  pattern->add_option("WRITER", arguments->operation.destination, "HA,ID,LUN of the writer")->required();
  AddSizeOption(*pattern, arguments->operation.size, "Pattern size in bytes")->required();
  pattern->add_option("--mode", arguments->mode, kWriteModes);
  AddRecordOption(*pattern, arguments->operation.record, "Write the disc record to this file");
}
