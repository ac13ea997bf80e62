// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/os/Platform.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>

namespace host {

OsVersion OsVersionFromUname(std::string_view release, std::string_view version) {
  OsVersion os;
  os.platformId = kLinuxPlatformId;
  os.csd = std::string(version);
  uint32_t* parts[] = {&os.major, &os.minor, &os.build};
  size_t at = 0;
  for (uint32_t* part : parts) {
    if (at >= release.size() || release[at] < '0' || release[at] > '9') break;
    uint64_t value = 0;
    while (at < release.size() && release[at] >= '0' && release[at] <= '9') {
      if (value <= 0xFFFFFFFFu) value = value * 10 + static_cast<uint64_t>(release[at] - '0');
      ++at;
    }
    *part = value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(value);
    if (at < release.size() && release[at] == '.') ++at;
    else break;
  }
  return os;
}

OsVersion QueryOsVersion() {
  utsname names{};
  if (::uname(&names) != 0) return OsVersionFromUname("", "");
  return OsVersionFromUname(names.release, names.version);
}

UtcTime CurrentUtcTime() {
  std::time_t now = std::time(nullptr);
  std::tm parts{};
  ::gmtime_r(&now, &parts);
  return UtcTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                 parts.tm_hour, parts.tm_min, parts.tm_sec};
}

std::string DirectoryOfPath(std::string_view path) {
  size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

std::string ProgramDirectory() {
  std::error_code error;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return std::filesystem::current_path(error).string();
  return DirectoryOfPath(exe.string());
}

bool DirectoryWritable(const std::string& path) {
  return !path.empty() && ::access(path.c_str(), W_OK | X_OK) == 0;
}

std::optional<std::string> GetEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

bool StdinIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }
bool StdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }
bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

namespace {

// Writes to a standard stream until its reader has gone (EPIPE); from then on
// the text goes nowhere, without a failing write per line.
void WriteStream(std::FILE* stream, std::atomic<bool>& gone, std::string_view text) {
  if (gone.load(std::memory_order_relaxed)) return;
  std::fwrite(text.data(), 1, text.size(), stream);
  if (std::fflush(stream) != 0 && errno == EPIPE) gone.store(true, std::memory_order_relaxed);
}

std::atomic<bool> stdoutGone{false};
std::atomic<bool> stderrGone{false};

}  // namespace

void WriteStdout(std::string_view text) { WriteStream(stdout, stdoutGone, text); }

void WriteStderr(std::string_view text) { WriteStream(stderr, stderrGone, text); }

void ExitProcess(int status) { std::exit(status); }

}  // namespace host
