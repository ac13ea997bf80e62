// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "tests/gui/WriteFormSupport.h"

#include <QApplication>
#include <QDateTime>
#include <QEvent>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "gui/TWriteForm.h"

namespace guitest {

namespace {

constexpr int kLimitMs = 60000;

// Records the Cancel button's enabled state at each change.
class EnabledWatch : public QObject {
 public:
  EnabledWatch(QWidget& button, std::vector<bool>& states) : QObject(&button), states_(states) {
    button.installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::EnabledChange) states_.push_back(static_cast<QWidget*>(watched)->isEnabled());
    return false;
  }

 private:
  std::vector<bool>& states_;
};

}  // namespace

void MissingControl(QWidget& window, const char* name) {
  std::fprintf(stderr, "no control %s in %s\n", name, window.objectName().toStdString().c_str());
  std::abort();
}

QDialog* ShownDialog(const char* objectName) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* dialog = qobject_cast<QDialog*>(widget);
    if (dialog != nullptr && dialog->isVisible() && dialog->objectName() == objectName) return dialog;
  }
  return nullptr;
}

Sequence::Sequence() : timer_(new QTimer), started_(QDateTime::currentMSecsSinceEpoch()) {
  QObject::connect(timer_, &QTimer::timeout, [this] { Poll(); });
  timer_->start(2);
}

Sequence::~Sequence() {
  delete timer_;
  if (!Done()) ADD_FAILURE() << "step " << next_ + 1 << " of " << steps_.size() << " was never ready";
}

Sequence& Sequence::Then(std::function<bool()> ready, std::function<void()> act) {
  steps_.push_back({std::move(ready), std::move(act)});
  return *this;
}

Sequence& Sequence::ThenShown(const char* objectName, std::function<void(QDialog&)> act) {
  std::string name = objectName;
  return Then([name] { return ShownDialog(name.c_str()) != nullptr; },
              [name, act = std::move(act)] { act(*ShownDialog(name.c_str())); });
}

void Sequence::Poll() {
  if (Done()) return;
  if (QDateTime::currentMSecsSinceEpoch() - started_ > kLimitMs) {
    ADD_FAILURE() << "step " << next_ + 1 << " was not ready within a minute";
    next_ = steps_.size();
    return;
  }
  if (!steps_[next_].ready()) return;
  // The act may open a modal loop. Qt does not fire a timer again while its
  // own handler runs, so the act runs from an event of its own and this
  // timer goes on polling inside that loop.
  std::function<void()> act = steps_[next_++].act;
  QMetaObject::invokeMethod(timer_, std::move(act), Qt::QueuedConnection);
}

void Record(TWriteForm& form, RunRecord& record) {
  const char* bars[] = {"ProgBar1", "ProgBar2", "ProgBar3"};
  for (int row = 0; row < 3; ++row) {
    QProgressBar& bar = Child<QProgressBar>(form, bars[row]);
    QObject::connect(&bar, &QProgressBar::valueChanged, &form, [&form, &record, row](int value) {
      record.highest[row] = std::max(record.highest[row], value);
      std::string comment = Child<QLabel>(form, "LabelComment").text().toStdString();
      if (record.comments.empty() || record.comments.back() != comment) record.comments.push_back(comment);
      std::string speed = Child<QLabel>(form, "LabelSpeed").text().toStdString();
      if (!speed.empty()) record.speeds.push_back(speed);
      std::string left = Child<QLabel>(form, "LabelTimeLeft").text().toStdString();
      if (!left.empty()) record.timesLeft.push_back(left);
      if (record.onProgress) record.onProgress(row, value);
    });
  }
  new EnabledWatch(Child<QPushButton>(form, "BtnCloseStop"), record.cancelEnabled);
}

void Watchdog(QDialog& dialog) {
  QTimer::singleShot(kLimitMs, &dialog, [&dialog] {
    if (!dialog.isVisible()) return;
    ADD_FAILURE() << "the window " << dialog.objectName().toStdString() << " was still open after a minute";
    // Every open modal loop ends, the windows opened over the dialog first.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* open = qobject_cast<QDialog*>(widget);
      if (open != nullptr && open != &dialog && open->isVisible()) open->done(QDialog::Rejected);
    }
    dialog.done(QDialog::Rejected);
  });
}

}  // namespace guitest
