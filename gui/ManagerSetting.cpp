// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/ManagerSetting.h"

#include <QSettings>

#include "base/ProgramIdentity.h"

namespace {

constexpr const char* kKey = "scsi/manager";

}  // namespace

std::string SavedManagerChoice() {
  return QSettings(ProgramName, "marrowlight").value(kKey).toString().toStdString();
}

void SaveManagerChoice(const std::string& choice) {
  QSettings settings(ProgramName, "marrowlight");
  if (choice.empty()) {
    settings.remove(kKey);
  } else {
    settings.setValue(kKey, QString::fromStdString(choice));
  }
}
