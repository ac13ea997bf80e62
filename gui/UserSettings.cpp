// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/UserSettings.h"

#include <QSettings>

#include "base/ProgramIdentity.h"

namespace {

constexpr const char* kLastSource = "files/lastSource";
constexpr const char* kLastDestination = "files/lastDestination";
constexpr const char* kLogFolder = "files/logFolder";

std::string Value(const char* key) {
  return QSettings(ProgramName, "marrowlight").value(key).toString().toStdString();
}

void SetValue(const char* key, const std::string& value) {
  QSettings settings(ProgramName, "marrowlight");
  if (value.empty()) {
    settings.remove(key);
  } else {
    settings.setValue(key, QString::fromStdString(value));
  }
}

}  // namespace

ChooserMemory SavedChooserMemory() { return ChooserMemory{Value(kLastSource), Value(kLastDestination)}; }

void SaveChooserMemory(const ChooserMemory& memory) {
  SetValue(kLastSource, memory.lastSource);
  SetValue(kLastDestination, memory.lastDestination);
}

std::string SavedLogFolder() { return Value(kLogFolder); }

void SaveLogFolder(const std::string& folder) { SetValue(kLogFolder, folder); }
