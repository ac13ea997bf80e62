// SPDX-License-Identifier: GPL-3.0-or-later
// TerminationWatch: SIGTERM, SIGINT and SIGHUP (a logout, a shutdown, `kill`,
// Ctrl-C in the starting terminal) in the windows. The signal is not fatal:
// it asks the running operation to cancel as its Cancel button does (the
// medium lock is released, the disc ejected as after any cancel), lets a
// firmware update, which cannot be canceled, go on to its next point where
// the drive is consistent and log what the drive holds, and then ends the
// program without "Quit?". Boxes open at that moment are closed with their
// cautious answer, and nobody is asked anything after it (QtUi); a second
// signal ends the program at once.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;
class QWidget;

// What a signal stops before the program ends: the running operation and
// the running firmware update. StopForQuit returns once their work has
// ended; Runs tells the windows that run such work, which stay open until
// then (every other box or dialog over them is closed first, so that the
// work never waits for an answer).
class QuitTargets {
 public:
  virtual ~QuitTargets() = default;
  virtual void StopForQuit() = 0;
  virtual bool Runs(const QWidget& window) const = 0;
};

class TerminationWatch : public QObject {
 public:
  // quit ends the program once everything has stopped (by default the
  // application's event loops end with status 0).
  explicit TerminationWatch(QuitTargets& targets, std::function<void()> quit = {});
  ~TerminationWatch() override;

 private:
  void Terminate();

  QuitTargets& targets_;
  std::function<void()> quit_;
  QSocketNotifier* notifier_ = nullptr;
  bool terminating_ = false;
};

// Closes the boxes and dialogs open over the windows with their cautious
// answer (Esc), innermost first, down to a window that targets runs.
void CloseOpenBoxes(const QuitTargets& targets);
