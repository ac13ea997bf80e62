// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/gui/MainWindowRun.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

#include "base/Log.h"
#include "base/SystemInfo.h"
#include "devices/SCSIDEV.h"
#include "gui/TFormLog.h"
#include "gui/UserSettings.h"

MainWindowRun::MainWindowRun(bool loggingOn) {
  // As the program does before its first window; the trace output (the
  // standard output) is kept for the test.
  BuildSystemInfo();
  previousTrace_ = SetTraceWriter([this](std::string_view text) {
    std::lock_guard lock(traceMutex_);
    trace_.append(text);
  });
  // The choosers start from nothing remembered, whatever an earlier test saved.
  SaveChooserMemory({});
  form_ = std::make_unique<TFormMain>(StartOptions{loggingOn, LogFile()}, dialogs, sizes);
}

MainWindowRun::~MainWindowRun() {
  form_.reset();
  SetTraceWriter(previousTrace_);
}

std::string MainWindowRun::Trace() {
  std::lock_guard lock(traceMutex_);
  return trace_;
}

void MainWindowRun::Missing(const char* name) { ADD_FAILURE() << "no control named " << name; }

QStringList MainWindowRun::Items(const char* combo) {
  QStringList items;
  QComboBox* box = Get<QComboBox>(combo);
  for (int i = 0; box != nullptr && i < box->count(); ++i) {
    QString text = box->itemText(i);
    while (text.endsWith(' ')) text.chop(1);
    items << text;
  }
  return items;
}

std::string MainWindowRun::Shown() {
  Log().Flush();
  QCoreApplication::sendPostedEvents();
  TFormLog* log = form_->FormLog();
  if (log == nullptr) return {};
  return log->findChild<QPlainTextEdit*>("Log")->toPlainText().toStdString();
}

std::string AddressOf(const SCSIDEV* device) {
  if (device == nullptr) return "-";
  return std::to_string(device->HostAdapter()) + "," + std::to_string(device->TargetId()) + "," +
         std::to_string(device->Lun());
}
