// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/TSeveralWritersForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "base/TextFormat.h"
#include "gui/GuiThread.h"
#include "gui/ProgramIcon.h"
#include "gui/TWriteModeSelectForm.h"
#include "host/ui/MessageBox.h"
#include "transfer/PassSpeed.h"

namespace {

constexpr const char* kPhaseNames[] = {"Test", "Write", "Copy", "Verify"};

template <typename T>
T* Named(T* widget, const QString& name) {
  widget->setObjectName(name);
  return widget;
}

// "Write 37%  22.16 MB/s (16.0x)  0:41 left"
QString ProgressText(int phase, int percent, const PassProgress& report) {
  std::string text = FormatText("%s %d%%", phase >= 0 && phase < 4 ? kPhaseNames[phase] : "", percent);
  if (report.bytesPerSecond > 0)
    text += FormatText("  %.2f MB/s (%.1fx)", report.bytesPerSecond / 1e6,
                       report.bytesPerSecond / PassSpeed::kDvd1xBytesPerSecond);
  if (report.secondsLeft > 0)
    text += FormatText("  %lld:%02lld left", static_cast<long long>(report.secondsLeft / 60),
                       static_cast<long long>(report.secondsLeft % 60));
  return QString::fromStdString(text);
}

QString ResultText(const WriterOutcome& outcome) {
  // "0,4,0: Operation done." without its address: the row names the writer.
  std::string line = SeveralWriters::ResultLines({outcome});
  return QString::fromStdString(line.substr(line.find(": ") + 2));
}

}  // namespace

TSeveralWritersForm::TSeveralWritersForm(QWidget* parent)
    : QDialog(parent), writeModeForm_(std::make_unique<TWriteModeSelectForm>(this)) {
  setObjectName("SeveralWritersForm");
  setWindowTitle("Write to several writers");
  setWindowIcon(ProgramIcon());
  auto* layout = new QVBoxLayout(this);
  labelSource_ = Named(new QLabel(this), "LabelSource");
  layout->addWidget(labelSource_);
  auto* operation = new QHBoxLayout;
  operation->addWidget(new QLabel("Operation:", this));
  cmbWriteMode_ = Named(new QComboBox(this), "CmbWriteMode");
  for (const OperationItem& item : OperationList(OperationFamily::Write)) cmbWriteMode_->addItem(item.text);
  cmbWriteMode_->setCurrentText(ItemOf(Operation::WriteVerify).text);
  operation->addWidget(cmbWriteMode_, 1);
  layout->addLayout(operation);
  grid_ = new QGridLayout;
  grid_->setColumnStretch(1, 1);
  layout->addLayout(grid_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  btnStart_ = Named(new QPushButton("Start", this), "BtnStart");
  btnClose_ = Named(new QPushButton("Close", this), "BtnClose");
  btnStart_->setAutoDefault(false);
  btnClose_->setAutoDefault(false);
  buttons->addWidget(btnStart_);
  buttons->addWidget(btnClose_);
  layout->addLayout(buttons);
  connect(btnStart_, &QPushButton::clicked, this, [this] { BtnStartClick(); });
  connect(btnClose_, &QPushButton::clicked, this, [this] { reject(); });
  setMinimumWidth(900);
}

TSeveralWritersForm::~TSeveralWritersForm() {
  if (operation_) {
    operation_->CancelAll();
    FreeOperation();
  }
}

void TSeveralWritersForm::SetParameters(const OperationRequest& source, const std::vector<Destination>& destinations) {
  source_ = source;
  destinations_ = destinations;
  labelSource_->setText(QString::fromStdString(
      FormatText("Source: %s    Volume \"%s\": %s bytes", source.source.Describe().c_str(),
                 source.volume.volumeName.c_str(), FormatNumber(source.volume.volumeSize).c_str())));
  for (Row& row : rows_) {
    for (QWidget* widget : {static_cast<QWidget*>(row.chkBox), static_cast<QWidget*>(row.bar),
                            static_cast<QWidget*>(row.speed), static_cast<QWidget*>(row.cancel),
                            static_cast<QWidget*>(row.result)})
      delete widget;
  }
  rows_.clear();
  for (size_t i = 0; i < destinations.size(); ++i) {
    const QString n = QString::number(i);
    Row row{Named(new QCheckBox(QString::fromStdString(destinations[i].item), this), "ChkBoxWriter" + n),
            Named(new QProgressBar(this), "ProgWriter" + n), Named(new QLabel(this), "LabelSpeed" + n),
            Named(new QPushButton("Cancel", this), "BtnCancel" + n), Named(new QLabel(this), "LabelResult" + n)};
    row.bar->setRange(0, 100);
    row.bar->setMinimumWidth(120);
    row.speed->setMinimumWidth(270);
    row.result->setMinimumWidth(180);
    row.cancel->setAutoDefault(false);
    connect(row.cancel, &QPushButton::clicked, this, [this, i] { BtnCancelClick(i); });
    const int line = static_cast<int>(i);
    grid_->addWidget(row.chkBox, line, 0);
    grid_->addWidget(row.bar, line, 1);
    grid_->addWidget(row.speed, line, 2);
    grid_->addWidget(row.cancel, line, 3);
    grid_->addWidget(row.result, line, 4);
    rows_.push_back(row);
  }
  // The keyboard's way: the operation, each writer's box, Start, Close,
  // then the Cancels (on only while their writer runs).
  QWidget* previous = cmbWriteMode_;
  for (Row& row : rows_) setTabOrder(std::exchange(previous, row.chkBox), row.chkBox);
  setTabOrder(previous, btnStart_);
  setTabOrder(btnStart_, btnClose_);
  previous = btnClose_;
  for (Row& row : rows_) setTabOrder(std::exchange(previous, row.cancel), row.cancel);
  ClearRows();
  EnableChoices(true);
}

void TSeveralWritersForm::ShowModal() {
  AddLog("[TSeveralWritersForm::ShowModal]");
  cmbWriteMode_->setFocus();
  exec();
}

bool TSeveralWritersForm::OperationRunning() const { return operation_ && !operation_->Finished(); }

void TSeveralWritersForm::ClearRows() {
  for (Row& row : rows_) {
    row.bar->setValue(0);
    row.speed->clear();
    row.result->clear();
    row.cancel->setEnabled(false);
  }
}

void TSeveralWritersForm::EnableChoices(bool enabled) {
  for (Row& row : rows_) row.chkBox->setEnabled(enabled);
  cmbWriteMode_->setEnabled(enabled);
  btnStart_->setEnabled(enabled);
}

void TSeveralWritersForm::BtnStartClick() {
  if (waiting_ || OperationRunning()) return;
  FreeOperation();
  SeveralWritersRequest request;
  request.operation = OperationWithText(OperationFamily::Write, cmbWriteMode_->currentText().toStdString())
                          .value_or(Operation::WriteVerify);
  request.source = source_.source;
  request.volume = source_.volume;
  rowOfWriter_.clear();
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (!rows_[i].chkBox->isChecked()) continue;
    request.writers.push_back(destinations_[i].device);
    rowOfWriter_.push_back(i);
  }
  AddLog(FormatText("[TSeveralWritersForm::BtnStartClick] %zu writers", request.writers.size()));
  ClearRows();
  EnableChoices(false);
  operation_ = std::make_unique<SeveralWriters>(*this, std::move(request));
  if (!operation_->Start()) {
    operation_.reset();
    EnableChoices(true);
    return;
  }
  for (size_t row : rowOfWriter_) rows_[row].cancel->setEnabled(true);
}

void TSeveralWritersForm::BtnCancelClick(size_t row) {
  for (size_t writer = 0; writer < rowOfWriter_.size(); ++writer) {
    if (rowOfWriter_[writer] != row || !operation_) continue;
    if (ui::MessageBox("Are you sure to cancel operation?", ProgramName,
                       ui::kYesNo | ui::kIconQuestion | ui::kDefButton2) != ui::kIdYes)
      return;
    if (operation_) operation_->Cancel(writer);
  }
}

void TSeveralWritersForm::reject() {
  if (waiting_) return;
  if (OperationRunning()) {
    if (ui::MessageBox("Are you sure to cancel operation?", ProgramName,
                       ui::kYesNo | ui::kIconQuestion | ui::kDefButton2) != ui::kIdYes)
      return;
    if (operation_) operation_->CancelAll();
  }
  FreeOperation();
  AddLog("[TSeveralWritersForm::FormClose]");
  QDialog::reject();
}

void TSeveralWritersForm::FreeOperation() {
  if (!operation_) return;
  waiting_ = true;
  gui::WaitWithEvents([this] { return operation_->Finished(); });
  operation_.reset();
  waiting_ = false;
}

void TSeveralWritersForm::ShowWriterProgress(size_t writer, int phase, int percent, const PassProgress& report) {
  Row& row = rows_[rowOfWriter_[writer]];
  row.bar->setValue(percent);
  row.speed->setText(ProgressText(phase, percent, report));
}

void TSeveralWritersForm::WriterComment(size_t writer, const std::string& text) {
  gui::PostToGuiThread(this, [this, writer, text] {
    if (writer < rowOfWriter_.size()) rows_[rowOfWriter_[writer]].result->setText(QString::fromStdString(text));
  });
}

void TSeveralWritersForm::EnableWriterCancel(size_t writer, bool enabled) {
  gui::PostToGuiThread(this, [this, writer, enabled] {
    if (writer < rowOfWriter_.size()) rows_[rowOfWriter_[writer]].cancel->setEnabled(enabled);
  });
}

bool TSeveralWritersForm::AskWriteMode(uint64_t volumeBytes, uint64_t discBytes) {
  return writeModeForm_->AskRoundDown(volumeBytes, discBytes);
}

void TSeveralWritersForm::WriterEnded(size_t writer, const WriterOutcome& outcome) {
  // Posted, so that it comes after the writer's last comment.
  gui::PostToGuiThread(this, [this, writer, outcome] {
    if (writer >= rowOfWriter_.size()) return;
    Row& row = rows_[rowOfWriter_[writer]];
    row.cancel->setEnabled(false);
    row.result->setText(ResultText(outcome));
  });
}

void TSeveralWritersForm::AllEnded(const std::vector<WriterOutcome>&) {
  gui::PostToGuiThread(this, [this] { EnableChoices(true); });
}
