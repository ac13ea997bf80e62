// SPDX-License-Identifier: GPL-3.0-or-later
// marrowlight-cli: the headless front end. It runs the same scans, volume
// check, operations and erase as the windows, answers questions on the
// terminal (or by --yes / --no), and shows progress on the standard error.
// The global options are registered here; each command registers its own in
// its own file (cli/Commands.h).
#include <CLI/CLI.hpp>

#include <iostream>
#include <optional>

#include "app/ManagerChoice.h"
#include "base/Log.h"
#include "base/ProgramIdentity.h"
#include "base/SystemInfo.h"
#include "base/VerboseTrace.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/ProgressJson.h"
#include "host/os/Interrupt.h"
#include "host/os/Platform.h"
#include "host/ui/ConsoleUi.h"

namespace {

// While --progress json holds the standard output, what the commands print
// there goes to the standard error.
class StandardOutputToError {
 public:
  StandardOutputToError() : saved_(std::cout.rdbuf(std::cerr.rdbuf())) {}
  ~StandardOutputToError() { std::cout.rdbuf(saved_); }
  StandardOutputToError(const StandardOutputToError&) = delete;
  StandardOutputToError& operator=(const StandardOutputToError&) = delete;

 private:
  std::streambuf* saved_;
};

// The name of the command the command line chose, for the result line.
std::string CommandName(const CLI::App& app) {
  const std::vector<CLI::App*> chosen = app.get_subcommands();
  return chosen.empty() ? "" : chosen.front()->get_name();
}

}  // namespace

int main(int argc, char** argv) {
  host::IgnoreBrokenPipe();
  host::IgnoreFileSizeSignal();
  CLI::App app{"Marrowlight headless front end: scan, check, write, copy, pattern, verify, records, erase, info, "
               "load, eject, firmware, readscan"};
  app.require_subcommand(1);
  app.set_version_flag("--version", VersionText(), "Print the version and the licence and exit");
  GlobalOptions global;
  app.add_flag("--nolog", global.noLog, "Do not write the log file");
  auto* yes = app.add_flag("--yes", global.yes, "Answer Yes (or OK) to every question asked without a terminal");
  app.add_flag("--no", global.no, "Answer No (or Cancel) to every question asked without a terminal")->excludes(yes);
  app.add_flag("--verbose", global.verbose, "Show every log entry on the standard error");
  app.add_option("--manager", global.manager,
                 "SCSI manager: sim (the simulated bus, default), sg (real drives through /dev/sg*) or a library path");
  app.add_option("--progress", global.progress,
                 "text: progress on the standard error (default); json: progress, boxes and the result as JSON lines "
                 "on the standard output (needs --yes or --no)")
      ->check(CLI::IsMember({"text", "json"}));

  CommandSet commands(app);
  for (void (*add)(CommandSet&) :
       {AddScanCommand, AddCheckCommand, AddWriteCommand, AddCopyCommand, AddPatternCommand, AddVerifyCommand,
        AddRecordsCommand, AddEraseCommand, AddInfoCommand, AddLoadCommand, AddEjectCommand, AddFirmwareCommand,
        AddReadScanCommand})
    add(commands);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    host::WriteStdout(VersionText());
    return kExitDone;
  } catch (const CLI::ParseError& e) {
    // Without a command CLI11 says only that one is missing: name the word
    // that was not understood, and the commands there are.
    if (app.get_subcommands().empty()) {
      std::string commands;
      for (const CLI::App* command : app.get_subcommands([](CLI::App*) { return true; }))
        commands += (commands.empty() ? "" : ", ") + command->get_name();
      std::vector<std::string> words = app.remaining();
      if (!words.empty() && words.front().rfind('-', 0) != 0) {
        host::WriteStderr("Unknown command \"" + words.front() + "\". The commands are " + commands + ".\n");
        return kExitUsage;
      }
      if (words.empty()) {
        host::WriteStderr("A command is required: " + commands + ".\n");
        return kExitUsage;
      }
    }
    app.exit(e);
    return kExitUsage;
  }

  // --progress json: the standard output carries the JSON lines alone, and
  // nobody is asked on the terminal, so --yes or --no answers every question.
  const bool jsonProgress = global.progress == "json";
  ProgressJson jsonLines([](const std::string& line) { host::WriteStdout(line); });
  std::optional<ScopedProgressJson> jsonScope;
  std::optional<StandardOutputToError> outputToError;
  if (jsonProgress) {
    jsonScope.emplace(jsonLines);
    outputToError.emplace();
    if (!global.yes && !global.no) {
      host::WriteStderr("--progress json needs --yes or --no: questions are not asked on the terminal then.\n");
      jsonLines.Result(CommandName(app), kExitUsage);
      return kExitUsage;
    }
  }
  // The command, with the manager, the log and the person seam in place.
  const int status = [&]() -> int {
    std::string managerError;
    if (!ApplyManagerChoiceOrDefault(global.manager, &managerError)) {
      host::WriteStderr(managerError + "\n");
      return kExitUsage;
    }

    // Log entries go to the log file as usual; on the terminal they would mix
    // with the command's output, so they show only with --verbose.
    SetTraceWriter([verbose = global.verbose, trace = VerboseTrace()](std::string_view text) mutable {
      if (verbose) trace(text);
    });
    BuildSystemInfo();
    SetLogOutput(!global.noLog);

    const auto policy = global.yes ? ui::ConsoleUi::Policy::Positive : ui::ConsoleUi::Policy::Negative;
    // With JSON lines the boxes are printed on the standard error and
    // answered by --yes or --no alone, each then written as a JSON line.
    ui::ConsoleUi console =
        jsonProgress ? ui::ConsoleUi(policy, [](const std::string& text) { host::WriteStderr(text); }, {})
                     : ui::ConsoleUi(policy);
    if (!global.yes && !global.no) console.SetUnattendedHint("--yes would answer Yes");
    ProgressJsonBoxes jsonBoxes(console, jsonLines);
    ui::ScopedBackend person(jsonProgress ? static_cast<ui::Backend&>(jsonBoxes) : console);

    const CommandRun* run = commands.Chosen();
    return run != nullptr ? (*run)(global) : kExitUsage;
  }();
  if (jsonProgress) jsonLines.Result(CommandName(app), status);
  return status;
}
