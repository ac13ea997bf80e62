// SPDX-License-Identifier: GPL-3.0-or-later
// Platform: what the program asks of the operating system besides files,
// events and threads: where it lives, what system it runs on, the time, and
// its standard streams.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace host {

// The operating-system version record. On Linux major, minor and build are the
// first three numbers of the kernel release, csd is the kernel's version string
// and platformId is kLinuxPlatformId.
struct OsVersion {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
  uint32_t platformId = 0;
  std::string csd;
};
inline constexpr uint32_t kLinuxPlatformId = 3;

struct UtcTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

OsVersion QueryOsVersion();
// Reads "6.1.0-18-amd64" style releases; missing numbers are 0.
OsVersion OsVersionFromUname(std::string_view release, std::string_view version);
UtcTime CurrentUtcTime();

// The folder of the running executable, without a trailing "/" (the root
// keeps its "/").
std::string ProgramDirectory();
// The folder part of an executable path under the same rule.
std::string DirectoryOfPath(std::string_view path);

// True when the program may create files in the folder (it exists, and
// neither its permissions nor a read-only file system stand in the way).
bool DirectoryWritable(const std::string& path);

std::optional<std::string> GetEnvironment(const char* name);
bool StdinIsTerminal();
bool StdoutIsTerminal();
bool StderrIsTerminal();

// Writes text to the standard output unchanged, then flushes it. Once the
// stream's reader has gone (a closed pipe), further text is dropped.
void WriteStdout(std::string_view text);
void WriteStderr(std::string_view text);
[[noreturn]] void ExitProcess(int status);

}  // namespace host
