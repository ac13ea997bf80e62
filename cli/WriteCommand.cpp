// SPDX-License-Identifier: GPL-3.0-or-later
// write SOURCE WRITER...: the Write page's Write, onto one writer or onto
// several at once.
#include <memory>
#include <optional>

#include "cli/Commands.h"
#include "cli/OperationCommand.h"
#include "cli/ProgressJson.h"
#include "host/os/Platform.h"

void AddWriteCommand(CommandSet& commands) {
  struct Arguments {
    OperationArguments operation;
    std::string mode = "test-write-verify";
    bool json = false;
  };
  auto arguments = std::make_shared<Arguments>();
  CLI::App* write = commands.Add(
      "write", "Write (test, verify) an image or a disc to a writer", [arguments](const GlobalOptions& global) {
        OperationArguments operation = arguments->operation;
        operation.command = "write";
        operation.mode = arguments->mode;
        operation.destination = operation.writers.front();
        operation.yes = global.yes;
        // write --json: the progress lines of --progress json on the
        // standard error, the rest of the command as text.
        ProgressJson progressOnError([](const std::string& line) { host::WriteStderr(line); },
                                     ProgressJson::Lines::ProgressOnly);
        std::optional<ScopedProgressJson> scope;
        if (global.progress != "json" && arguments->json) scope.emplace(progressOnError);
        return RunOperation(operation);
      });
  write->add_option("SOURCE", arguments->operation.source, "HA,ID,LUN or a file")->required();
  write
      ->add_option("WRITER", arguments->operation.writers,
                   "HA,ID,LUN of the writer; several writers record the image at once")
      ->required();
  write->add_option("--mode", arguments->mode, kWriteModes);
  write->add_flag("--json", arguments->json, "Progress as JSON lines on the standard error, one per writer and percent");
  AddSizeOption(*write, arguments->operation.size, "Volume size in bytes, instead of the size the check chose");
  AddRecordOption(*write, arguments->operation.record, "Write the disc record to this file");
}
