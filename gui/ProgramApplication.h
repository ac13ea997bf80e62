// SPDX-License-Identifier: GPL-3.0-or-later
// ProgramApplication: the GUI toolkit's application object of the program.
// Its title is ProgramName. An exception that escapes an event handler is
// shown in an error box and the program goes on, instead of unwinding
// through the toolkit's event loop.
#pragma once

#include <QApplication>

class ProgramApplication : public QApplication {
 public:
  ProgramApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// The box for an exception that reached the top of the program.
void ShowException(const char* what);
