// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/SystemInfo.h"


#include "base/ProgramIdentity.h"
#include "base/TextFormat.h"

namespace {

std::string& StoredSystemInfo() {
  static std::string text;
  return text;
}

const char* SystemFamily(uint32_t platformId) {
  switch (platformId) {
    case 1: return "Windows 95/98\r\n";
    case 2: return "Windows NT\r\n";
    default: return "Unknown OS\r\n";
  }
}

}  // namespace

std::string FormatSystemInfo(const host::UtcTime& now, const host::OsVersion& os) {
  std::string text;
  text += std::string(ProgramName) + ProgramVersion + "\r\n";
  text += std::string(ProgramDate) + "\r\n";
  text += std::string(ProgramInfo) + "\r\n";

  text += FormatText("UniversalTime: %04d/%02d/%02d %02d:%02d:%02d\r\n\r\n", now.year, now.month, now.day,
                     now.hour, now.minute, now.second);
  text += SystemFamily(os.platformId);

  text += FormatText("major: %u\r\nminor: %u\r\nbuild: %u\r\nPlatformID: %u\r\nCSD: ", os.major, os.minor,
                     os.build, os.platformId);
  text += os.csd + "\r\n\r\n";
  return text;
}

void BuildSystemInfo() { StoredSystemInfo() = FormatSystemInfo(host::CurrentUtcTime(), host::QueryOsVersion()); }

const std::string& SystemInfoText() { return StoredSystemInfo(); }
