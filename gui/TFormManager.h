// SPDX-License-Identifier: GPL-3.0-or-later
// TFormManager: the "SCSI Manager" dialog (Option > SCSI Manager...). It
// shows the manager in use and lets the person choose the one the next start
// loads: the simulated bus, Linux SCSI generic or a manager library file.
// The manager of a run is loaded once, before the first scan, so a new
// choice takes effect at the next start.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;

class TFormManager : public QDialog {
  Q_OBJECT

 public:
  explicit TFormManager(QWidget* parent = nullptr);

  // Fills the dialog from the saved choice and the manager in use.
  void Refresh();

 private:
  // OK: an unknown library is refused with a box and the dialog stays open.
  void Accept();

  QComboBox* choice_;
  QLabel* inUse_;
};
