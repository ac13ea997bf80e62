// SPDX-License-Identifier: GPL-3.0-or-later
// CommandSet: the commands of marrowlight-cli as the parser knows them. The
// global options are registered in main.cpp; each command registers its own
// word, options and run in its own file (cli/*Command.cpp, listed in
// cli/Commands.h), so that adding an option to a command touches that
// command's file alone.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <string>
#include <utility>
#include <vector>

// The options before the command word, shared by every command.
struct GlobalOptions {
  bool noLog = false;
  bool yes = false;
  bool no = false;
  bool verbose = false;
  std::string manager;  // app/ManagerChoice.h; empty: MARROWLIGHT_ASPI or the simulated bus
  std::string progress = "text";  // "json": JSON lines on the standard output (cli/ProgressJson.h)
};

// What a chosen command does once the manager, the log and the person seam
// are in place: returns the process exit status (cli/ExitStatus.h).
using CommandRun = std::function<int(const GlobalOptions&)>;

class CommandSet {
 public:
  explicit CommandSet(CLI::App& app) : app_(app) {}

  // Adds a command: its word, its line in --help and what runs when the
  // command line chooses it. The command's options go onto the returned
  // parser; the variables they fill must live as long as run (a command
  // keeps them in a shared structure that run holds).
  CLI::App* Add(const std::string& name, const std::string& description, CommandRun run) {
    CLI::App* command = app_.add_subcommand(name, description);
    commands_.emplace_back(command, std::move(run));
    return command;
  }

  // The run of the command the command line chose; nullptr before parsing
  // or when none was chosen.
  const CommandRun* Chosen() const {
    for (const auto& [command, run] : commands_)
      if (command->parsed()) return &run;
    return nullptr;
  }

 private:
  CLI::App& app_;
  std::vector<std::pair<CLI::App*, CommandRun>> commands_;
};
