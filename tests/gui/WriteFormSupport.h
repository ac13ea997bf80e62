// SPDX-License-Identifier: GPL-3.0-or-later
// Support for the operation dialog's tests: acting on a modal window once it
// is shown (from a timer, inside whatever modal loop runs then), finding its
// controls by name, and recording what the dialog showed while it ran.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

class TWriteForm;

namespace guitest {

[[noreturn]] void MissingControl(QWidget& window, const char* name);

// What a person does in front of the windows, step by step: each step
// waits until it is ready, then acts. The steps are polled from a timer, so
// they run inside whatever modal loop is open; a step whose act opens a
// modal window (a button that shows a dialog) leaves the next steps to run
// inside that window's loop. Steps left over after a minute, or when the
// sequence ends, fail the test.
class Sequence {
 public:
  Sequence();
  ~Sequence();
  Sequence(const Sequence&) = delete;
  Sequence& operator=(const Sequence&) = delete;

  Sequence& Then(std::function<bool()> ready, std::function<void()> act);
  // Ready when a visible dialog of that object name is shown.
  Sequence& ThenShown(const char* objectName, std::function<void(QDialog&)> act);
  bool Done() const { return next_ == steps_.size(); }

 private:
  struct Step {
    std::function<bool()> ready;
    std::function<void()> act;
  };
  void Poll();

  std::vector<Step> steps_;
  size_t next_ = 0;
  QTimer* timer_;
  qint64 started_;
};

// The visible dialog of that object name, or nothing.
QDialog* ShownDialog(const char* objectName);

// A named child control of a window. A missing control ends the test
// program with its name: every test after it would only fail the same way.
template <typename T>
T& Child(QWidget& window, const char* name) {
  T* child = window.findChild<T*>(name);
  if (child == nullptr) MissingControl(window, name);
  return *child;
}

// What a run of the operation dialog showed: the highest value each
// progress bar reached, the comment lines and speed texts seen while the
// bars moved, and the Cancel button's enabled states in order.
struct RunRecord {
  int highest[3] = {0, 0, 0};
  std::vector<std::string> comments;
  std::vector<std::string> speeds;
  std::vector<std::string> timesLeft;
  std::vector<bool> cancelEnabled;
  // Runs on every progress change: (row 0-2, value).
  std::function<void(int, int)> onProgress;
};

// Connects the record to the dialog's bars, labels and Cancel button.
void Record(TWriteForm& form, RunRecord& record);

// Makes sure a modal dialog never blocks the run for good: after a minute
// it fails the test and ends the modal loops of the dialog and of every
// window open over it.
void Watchdog(QDialog& dialog);

}  // namespace guitest
