// SPDX-License-Identifier: GPL-3.0-or-later
// TFormUpdateFirm: the "Firmware Update" dialog. The main window opens it
// for the writer selected as destination (ShowUpdate); the person picks an
// update file and presses Start, and a TUpdateThread updates the writer,
// with this dialog as its UpdateDialog: the Update and Verify bars, the
// state line and the device line. While an update runs the dialog cannot be
// closed (Close, the close box and Esc alike) and Start is disabled; Start
// is disabled as well when there is no writer to update.
#pragma once

#include <QDialog>
#include <memory>

#include "firmware/UpdateDialog.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class SCSIDEV;
class TUpdateThread;

class TFormUpdateFirm : public QDialog, public UpdateDialog {
  Q_OBJECT

 public:
  explicit TFormUpdateFirm(QWidget* parent = nullptr);
  ~TFormUpdateFirm() override;

  // Rescans the bus, fills the dialog for the writer in the slot and shows
  // it modally. An update that makes the drive need another device class
  // replaces the object in the slot.
  int ShowUpdate(std::unique_ptr<SCSIDEV>& writer);
  // What ShowUpdate does before it shows the dialog: the rescan, the device
  // line, bars at 0, an empty state line, Start enabled when there is a
  // writer.
  void SetWriter(std::unique_ptr<SCSIDEV>& writer);
  bool UpdateRunning() const { return running_; }
  // A signal ends the program: a running update goes on to its next point
  // where the drive is consistent, says what the drive holds, and ends; this
  // returns then.
  void StopForQuit();

  // UpdateDialog, on the GUI thread.
  void ShowProgress(UpdateBar bar, int percent) override;
  void SetComment(const std::string& text) override;
  void SetDeviceLine(const std::string& text) override;
  void UpdateEnded(UpdateResult result) override;

 public slots:
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void BtnUpdateFileBrouseClick();
  void BtnStartClick();
  void BtnCloseStopClick();

 private:
  void ResetProgress();
  bool HaveWriter() const;
  // Joins the thread of the last update (it ends right after UpdateEnded).
  void ReleaseFinishedUpdate();

  std::unique_ptr<SCSIDEV>* writer_ = nullptr;
  std::unique_ptr<TUpdateThread> update_;
  bool running_ = false;

  QLabel* labelWriteDev_;
  QLineEdit* editUpdateFile_;
  QProgressBar* progUpdateBar_;
  QLabel* progUpdatePerc_;
  QProgressBar* progVerifyBar_;
  QLabel* progVerifyPerc_;
  QLabel* labelComment_;
  QPushButton* btnStart_;
  QPushButton* btnCloseStop_;
};
