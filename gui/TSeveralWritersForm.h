// SPDX-License-Identifier: GPL-3.0-or-later
// TSeveralWritersForm: "Write to several writers" (Option menu), the Write
// page's source recorded on several of its writers at once. The person ticks
// the writers (one check box per destination of the Write page), chooses the
// operation and presses Start; each ticked writer then has its progress row
// with its speed and a Cancel of its own, and its result at its end. One box
// lists every writer's result. The form is the operation's
// SeveralWritersDialog; closing it while writers run asks first and then
// cancels them all, waiting for their end with the event loop running.
#pragma once

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "operation/OperationRequest.h"
#include "operation/SeveralWriters.h"
#include "operation/SeveralWritersDialog.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QProgressBar;
class QPushButton;
class TWriteModeSelectForm;

class TSeveralWritersForm : public QDialog, public SeveralWritersDialog {
  Q_OBJECT

 public:
  // A destination of the Write page: its list item and its device.
  struct Destination {
    std::string item;
    SCSIDEV* device;
  };

  explicit TSeveralWritersForm(QWidget* parent = nullptr);
  ~TSeveralWritersForm() override;

  // Fills the form: the checked source (request's source and volume) and
  // one row per destination, none ticked.
  void SetParameters(const OperationRequest& source, const std::vector<Destination>& destinations);
  // Shows the filled form modally, until it is closed.
  void ShowModal();
  bool OperationRunning() const;

  // SeveralWritersDialog.
  void ShowWriterProgress(size_t writer, int phase, int percent, const PassProgress& report) override;
  void WriterComment(size_t writer, const std::string& text) override;
  void EnableWriterCancel(size_t writer, bool enabled) override;
  bool AskWriteMode(uint64_t volumeBytes, uint64_t discBytes) override;
  void WriterEnded(size_t writer, const WriterOutcome& outcome) override;
  void AllEnded(const std::vector<WriterOutcome>& outcomes) override;

 public slots:
  // Close, Esc and the close box.
  void reject() override;

 private:
  struct Row {
    QCheckBox* chkBox;
    QProgressBar* bar;
    QLabel* speed;
    QPushButton* cancel;
    QLabel* result;
  };
  void ClearRows();
  void EnableChoices(bool enabled);
  void BtnStartClick();
  void BtnCancelClick(size_t row);
  // Waits, with the event loop running, until every writer has ended, then
  // frees the operation.
  void FreeOperation();

  QLabel* labelSource_;
  QComboBox* cmbWriteMode_;
  QGridLayout* grid_;
  QPushButton* btnStart_;
  QPushButton* btnClose_;
  std::unique_ptr<TWriteModeSelectForm> writeModeForm_;

  OperationRequest source_;
  std::vector<Destination> destinations_;
  std::vector<Row> rows_;
  std::vector<size_t> rowOfWriter_;  // the row of each writer of the running operation
  std::unique_ptr<SeveralWriters> operation_;
  bool waiting_ = false;
};
