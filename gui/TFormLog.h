// SPDX-License-Identifier: GPL-3.0-or-later
// TFormLog: the log window. It shows the running log that the whole program
// writes through AddLog, lets a person switch logging off ("Do not output
// log"), clear what is shown and save it to a file of their choice.
//
// The window shows the last kShownLines lines (the log file keeps them
// all). Save log proposes a dated name in the folder of the last save,
// remembers that folder in the person's settings and says where it saved.
//
// The window owns the log of the run: its construction installs the
// process-wide log sink with the log file path (nothing is created before the
// first entry) and becomes the sink's view; its destruction closes the log
// file, and nothing is logged after that. Entries arrive on the sink's
// delivery thread and are posted to the GUI thread, so a worker that logs
// never waits for the window.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "base/Log.h"

class QCheckBox;
class QDateTime;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class TFormLog : public QDialog, public LogView {
  Q_OBJECT

 public:
  static constexpr int kShownLines = 5000;

  // logFilePath: where the log file is created at the first entry.
  explicit TFormLog(std::string logFilePath, QWidget* parent = nullptr);
  ~TFormLog() override;

  // Shows the window without making it modal.
  void ShowLogWindow();
  const std::string& LogFilePath() const { return logFilePath_; }

  // The sink's view (delivery thread).
  void AppendEntries(bool clearFirst, const std::vector<std::string>& entries) override;
  void LoggingSwitched(bool on) override;

 private:
  void BtnSaveLogClick();
  void BtnClearLogClick();
  void BtnOKClick();
  void ChkBoxDontLogClick(bool checked);

  const std::string logFilePath_;
  LogSink* sink_ = nullptr;  // installed by this window
  QPlainTextEdit* log_;
  QPushButton* btnSaveLog_;
  QPushButton* btnClearLog_;
  QCheckBox* chkBoxDontLog_;
  QLabel* labelLogFile_;
  QLabel* labelSaved_;
  QPushButton* btnOK_;
};

// "MarrowlightLog-2024-05-01-1432.txt": the name Save log proposes.
QString DatedLogName(const QDateTime& when);
