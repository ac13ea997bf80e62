// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/sg/ManagerLog.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <set>

namespace sg {
namespace {

constexpr std::string_view kTag = "[SCSI generic] ";

std::atomic<aspi::LogSinkFn> sink{nullptr};

// At namespace scope, so that they are built when the library loads and
// outlive the bus (whose workers may still report while it ends).
std::mutex saidMutex;
std::set<std::string> said;

}  // namespace

void SetLogSink(aspi::LogSinkFn newSink) { sink.store(newSink); }

void Report(std::string_view text) {
  std::string line(kTag);
  line += text;
  if (aspi::LogSinkFn current = sink.load()) {
    current(line.c_str());
  } else {
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
  }
}

void ReportOnce(const std::string& key, std::string_view text) {
  {
    std::lock_guard lock(saidMutex);
    if (!said.insert(key).second) return;
  }
  Report(text);
}

std::string Hex(unsigned value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  if (text.size() < 2) text.insert(text.begin(), '0');
  return text + "h";
}

}  // namespace sg
