// SPDX-License-Identifier: GPL-3.0-or-later
// TWrDevPropForm: the "Writer Property" dialog. The main window's Property
// button opens it for the selected writer (ShowProperty): the device line,
// the bytes the disc can still take (or that there is no disc), Load and
// Eject, and Erase for a rewritable disc. A writer that offers neither free
// size nor erase (the later QXW-7100) shows only its line and Load/Eject;
// every showing sets both ways what is shown, so one writer's dialog never
// hides Erase for the next.
//
// The erase (drive/WriterProperty.h: the question, BLANK, the polls) runs on
// a worker thread while the dialog waits with its event loop running, so
// that the window stays responsive through an erase that may take an hour;
// meanwhile a bar and a line show its progress (the drive's, or the time
// elapsed), its buttons are disabled and it does not close.
#pragma once

#include <QDialog>
#include <optional>

#include "drive/WriterProperty.h"

class QLabel;
class QCheckBox;
class QProgressBar;
class QPushButton;
class SCSIDEV;

class TWrDevPropForm : public QDialog {
  Q_OBJECT

 public:
  explicit TWrDevPropForm(QWidget* parent = nullptr);

  // Fills the dialog for the writer and shows it modally.
  int ShowProperty(SCSIDEV& writer);
  // What ShowProperty does before it shows the dialog.
  void SetWriter(SCSIDEV& writer);
  bool Erasing() const { return erasing_; }
  // How the last erase ended; nothing before the first.
  std::optional<EraseResult> LastErase() const { return lastErase_; }

 public slots:
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void BtnEraseClick();
  void BtnOKClick();
  void BtnCancelClick();

 private:
  void ShowFreeSize();
  void EnableButtons(bool enabled);
  void LoadOrEject(bool load);
  void ShowEraseProgress(const EraseProgress& progress);

  SCSIDEV* writer_ = nullptr;
  bool erasing_ = false;
  std::optional<EraseResult> lastErase_;
  QLabel* labelWriterDev_;
  QLabel* labelFreeSize_;
  QProgressBar* progErase_;
  QLabel* labelEraseProgress_;
  QCheckBox* chkBoxQuickErase_ = nullptr;
  QPushButton* btnErase_;
  QPushButton* btnLoad_;
  QPushButton* btnEject_;
  QPushButton* btnOK_;
  QPushButton* btnCancel_;
};
