// SPDX-License-Identifier: GPL-3.0-or-later
// TAboutBox: the "Version information" dialog. Beside the program's name,
// version and date it names the writer chosen on the Write page.
#pragma once

#include <QDialog>

class QLabel;
class SCSIDEV;

class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(QWidget* parent = nullptr);

  // Puts the writing-device line of the writer (none: no writer listed)
  // into the dialog and shows it modally; returns the dialog's result.
  int ShowVersion(const SCSIDEV* writer);

 private:
  QLabel* labelWriteDev_;
};
