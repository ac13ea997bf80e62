// SPDX-License-Identifier: GPL-3.0-or-later
// The main of the window tests: a QApplication on the offscreen platform
// (unless QT_QPA_PLATFORM says otherwise), Synchronize carried to the GUI
// thread as in the program, the time scale near 0 and a private state folder
// for the simulated bus, as in every test main.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>
#include <cstdlib>

#include "gui/GuiThread.h"
#include "tests/fixtures/TempDir.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::setenv("MARROWLIGHT_TIME_SCALE", "0.001", 0);
  TempDir state;
  ::setenv("MARROWLIGHT_SIMBUS_STATE", state.Path().c_str(), 0);
  // The disc records of the tests' operations go to the run's folder, never
  // among the user's.
  ::setenv("XDG_DATA_HOME", state.Path().c_str(), 1);
  // Settings a test saves go to a test folder of Qt's, never to the user's.
  QStandardPaths::setTestModeEnabled(true);
  QApplication app(argc, argv);
  gui::GuiDispatcher dispatcher;
  return RUN_ALL_TESTS();
}
