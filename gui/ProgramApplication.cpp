// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/ProgramApplication.h"

#include <exception>

#include "base/ProgramIdentity.h"
#include "gui/ProgramIcon.h"
#include "host/ui/MessageBox.h"

ProgramApplication::ProgramApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(ProgramName);
  // The desktop entry's name without ".desktop": the desktop matches the
  // windows to the entry (and its icon) by it.
  setDesktopFileName(MARROWLIGHT_APP_ID);
  setWindowIcon(ProgramIcon());
}

bool ProgramApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ShowException(e.what());
  } catch (...) {
    ShowException("Unknown exception.");
  }
  return false;
}

void ShowException(const char* what) { ui::MessageBox(what, ProgramName, ui::kIconError | ui::kOk); }
