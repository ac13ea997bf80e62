// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/TerminationWatch.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QSocketNotifier>

#include "base/Log.h"
#include "host/os/Interrupt.h"

TerminationWatch::TerminationWatch(QuitTargets& targets, std::function<void()> quit)
    : targets_(targets), quit_(std::move(quit)) {
  if (!quit_) quit_ = [] { QCoreApplication::exit(0); };
  host::InstallInterruptHandler();
  notifier_ = new QSocketNotifier(host::InterruptHandle(), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { Terminate(); });
}

TerminationWatch::~TerminationWatch() = default;

void TerminationWatch::Terminate() {
  // The notifier may fire again from a loop this one runs in.
  if (terminating_) return;
  terminating_ = true;
  notifier_->setEnabled(false);
  AddLog("[Marrowlight] A signal ends the program: the running operation is canceled first.");
  CloseOpenBoxes(targets_);
  targets_.StopForQuit();
  AddLog("[Marrowlight] The program ends.");
  quit_();
}

void CloseOpenBoxes(const QuitTargets& targets) {
  // A modal box answers its escape button (No, Cancel, or OK on a plain box);
  // its caller then goes on with that cautious answer.
  while (QWidget* modal = QApplication::activeModalWidget()) {
    if (targets.Runs(*modal)) break;
    auto* box = qobject_cast<QMessageBox*>(modal);
    auto* dialog = qobject_cast<QDialog*>(modal);
    if (box != nullptr && box->escapeButton() != nullptr) {
      box->escapeButton()->click();
    } else if (dialog != nullptr) {
      dialog->reject();
    } else {
      modal->close();
    }
    // A dialog that refuses to close (a running update) is left to its
    // target; the loop must not spin on it.
    if (QApplication::activeModalWidget() == modal) break;
  }
}
