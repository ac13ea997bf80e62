// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ProgramStart.h"

#include <cstdlib>
#include <string_view>

#include "base/Log.h"

StartOptions ReadStartOptions(int argc, const char* const* argv) {
  StartOptions options;
  options.loggingOn = LoggingSwitchFromArguments(argc, argv);
  options.logFilePath = DefaultLogFilePath();
  for (int i = 1; i < argc; ++i) {
    options.trace = options.trace || std::string_view(argv[i]) == "--trace";
    options.version = options.version || std::string_view(argv[i]) == "--version";
  }
  const char* asked = std::getenv("MARROWLIGHT_TRACE");
  if (asked != nullptr && *asked != '\0' && std::string_view(asked) != "0") options.trace = true;
  return options;
}

std::string ImageArgument(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    std::string_view argument = argv[i];
    if (argument == "--manager") {
      ++i;  // its value
      continue;
    }
    if (!argument.empty() && argument.front() != '-') return std::string(argument);
  }
  return {};
}
