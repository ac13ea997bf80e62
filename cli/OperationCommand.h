// SPDX-License-Identifier: GPL-3.0-or-later
// What write, copy, pattern and verify share: the operation run with the
// console standing in for the dialog and Ctrl-C for its Cancel button, the
// check of a source, and the options they have in common.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "operation/OperationRequest.h"

// The modes of write and pattern, as --help lists them.
inline constexpr const char* kWriteModes = "test | write | test-write | write-verify | test-write-verify | verify";

// The words of a write, copy or pattern command line.
struct OperationArguments {
  std::string command;  // "write", "copy" or "pattern"
  std::string source;
  std::string destination;
  std::string mode;
  std::optional<uint64_t> size;
  bool yes = false;  // --yes: questions without a terminal are answered Yes
  std::string record;  // --record: where the disc record goes
  // write: every WRITER named; more than one records them all at once.
  std::vector<std::string> writers;
};
// Opens the sides, checks the source and runs the operation to its end.
int RunOperation(const OperationArguments& arguments);

// Runs a request to its end; prints the volume's SHA-256 and the record's
// place.
int RunOperationRequest(const OperationRequest& request, uint64_t volumeSize);
// The volume of the source as the check finds it, with size applied; prints
// what will be transferred.
bool CheckSource(const Endpoint& source, const std::optional<uint64_t>& size, VolumeInfo& volume);
// Ctrl-C (or SIGTERM) came before the operation started: says so.
bool CanceledBeforeStart();
// Prints text on the standard error; the usage error's status.
int UsageError(const std::string& text);

// --size: a number of bytes (cli/ByteCount.h).
CLI::Option* AddSizeOption(CLI::App& command, std::optional<uint64_t>& size, const std::string& description);
// --record: where the disc record goes.
CLI::Option* AddRecordOption(CLI::App& command, std::string& record, const std::string& description);
