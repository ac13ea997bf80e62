// marrowlight-cli: the headless front end. It runs the same scans, volume
// check, operations and erase as the windows, answers questions on the
// terminal (or by --yes / --no), and shows progress on the standard error.
#include <CLI/CLI.hpp>

#include <iostream>
#include <optional>

#include "app/ManagerChoice.h"
#include "base/Log.h"
#include "base/SystemInfo.h"
#include "cli/ByteCount.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "base/VerboseTrace.h"
#include "cli/ProgressJson.h"
#include "host/os/Interrupt.h"
#include "host/os/Platform.h"
#include "host/ui/ConsoleUi.h"

namespace {

constexpr const char* kWriteModes = "test | write | test-write | write-verify | test-write-verify | verify";

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

  bool json = false;
  auto* scan = app.add_subcommand("scan", "The four device lists of the two scans");
  scan->add_flag("--json", json, "Print JSON");

  std::string source, destination;
  auto* check = app.add_subcommand("check", "Volume name, size, sectors and offset of a source");
  check->add_option("SOURCE", source, "HA,ID,LUN or a file")->required();
  check->add_flag("--json", json, "Print JSON");

  OperationArguments operation;
  auto* write = app.add_subcommand("write", "Write (test, verify) an image or a disc to a writer");
  write->add_option("SOURCE", operation.source, "HA,ID,LUN or a file")->required();
  std::vector<std::string> writers;
  write->add_option("WRITER", writers, "HA,ID,LUN of the writer; several writers record the image at once")
      ->required();
  std::string writeMode = "test-write-verify", copyMode = "copy-verify", patternMode = "test-write-verify";
  write->add_option("--mode", writeMode, kWriteModes);
  write->add_flag("--json", json, "Progress as JSON lines on the standard error, one per writer and percent");
  write->add_option("--size", operation.size, "Volume size in bytes, instead of the size the check chose")
      ->check(ByteCount());

  auto* copy = app.add_subcommand("copy", "Copy (and verify) a volume between devices and files");
  copy->add_option("SOURCE", operation.source, "HA,ID,LUN or a file")->required();
  copy->add_option("DEST", operation.destination, "HA,ID,LUN or a file")->required();
  copy->add_option("--mode", copyMode, "copy | copy-verify | verify");
  copy->add_option("--size", operation.size, "Volume size in bytes, instead of the size the check chose")
      ->check(ByteCount());

  auto* pattern = app.add_subcommand("pattern", "Write (test, verify) the test pattern");
  pattern->add_option("WRITER", operation.destination, "HA,ID,LUN of the writer")->required();
  pattern->add_option("--size", operation.size, "Pattern size in bytes")->required()->check(ByteCount());
  pattern->add_option("--mode", patternMode, kWriteModes);

  for (CLI::App* command : {write, copy, pattern})
    command->add_option("--record", operation.record, "Write the disc record to this file");

  VerifyArguments verifyArguments;
  auto* verify = app.add_subcommand("verify", "Verify a disc against a disc record or a SHA-256, without the source");
  verify->add_option("DEVICE", verifyArguments.device, "HA,ID,LUN of the drive holding the disc")->required();
  auto* fromRecord =
      verify->add_option("--from-record", verifyArguments.fromRecord, "The disc record (its SHA-256 and size)");
  auto* sha256 = verify->add_option("--sha256", verifyArguments.sha256,
                                    "The volume's SHA-256 (64 hexadecimal digits); the size is the disc's own");
  fromRecord->excludes(sha256);
  verify->add_option("--record", verifyArguments.record, "Write the disc record of this verify to this file");

  auto* records = app.add_subcommand("records", "List the disc records");
  records->add_flag("--json", json, "Print JSON");

  std::string writer;
  bool quick = false;
  auto* erase = app.add_subcommand("erase", "Blank a rewritable disc");
  erase->add_option("WRITER", writer, "HA,ID,LUN of the writer")->required();
  erase->add_flag("--quick", quick, "Minimal blank (other makers' DVD-RW writers): quick, the old data is not overwritten");
  auto* info = app.add_subcommand("info", "The writer line and the free bytes");
  info->add_option("WRITER", writer, "HA,ID,LUN of the writer")->required();
  auto* load = app.add_subcommand("load", "Load the writer's disc (close its tray)");
  load->add_option("WRITER", writer, "HA,ID,LUN of the writer")->required();
  auto* eject = app.add_subcommand("eject", "Eject the writer's disc (open its tray)");
  eject->add_option("WRITER", writer, "HA,ID,LUN of the writer")->required();
  std::string updateFile;
  auto* firmware = app.add_subcommand("firmware", "Update a writer's firmware from an update file");
  firmware->add_option("WRITER", writer, "HA,ID,LUN of the writer")->required();
  firmware->add_option("FILE", updateFile, "The update file")->required();

  std::string scanDevice, svgPath;
  auto* readscan = app.add_subcommand("readscan", "Read the whole disc in a drive, timing every step (never writes)");
  readscan->add_option("DEVICE", scanDevice, "HA,ID,LUN of the drive")->required();
  readscan->add_flag("--json", json, "Print the samples and the summary as JSON");
  readscan->add_option("--svg", svgPath, "Write the map of the scan as SVG into this file");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
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
  // write --json: the same progress lines on the standard error, the rest
  // of the command as text.
  ProgressJson progressOnError([](const std::string& line) { host::WriteStderr(line); },
                               ProgressJson::Lines::ProgressOnly);
  if (!jsonProgress && *write && json) jsonScope.emplace(progressOnError);
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

    if (*scan) return RunScan(json);
    if (*check) return RunCheck(source, json);
    if (*erase) return RunErase(writer, quick);
    if (*info) return RunInfo(writer);
    if (*load) return RunLoad(writer);
    if (*eject) return RunEject(writer);
    if (*firmware) return RunFirmware(writer, updateFile, global.yes);
    if (*readscan) return RunReadScan(scanDevice, json, svgPath);
    if (*verify) return RunVerify(verifyArguments);
    if (*records) return RunRecords(json);
    operation.yes = global.yes;
    if (*write) {
      operation.command = "write";
      operation.mode = writeMode;
      operation.destination = writers.front();
      operation.writers = writers;
    } else if (*copy) {
      operation.command = "copy";
      operation.mode = copyMode;
    } else if (*pattern) {
      operation.command = "pattern";
      operation.mode = patternMode;
    }
    return RunOperation(operation);
  }();
  if (jsonProgress) jsonLines.Result(CommandName(app), status);
  return status;
}
