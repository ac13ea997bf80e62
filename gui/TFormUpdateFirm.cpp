// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/TFormUpdateFirm.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/ProgramIdentity.h"
#include "devices/DeviceLine.h"
#include "devices/SCSIDEV.h"
#include "firmware/ReidentifyDrive.h"
#include "firmware/TUpdateThread.h"
#include "gui/GuiThread.h"
#include "host/ui/MessageBox.h"

namespace {

// A panel with a bar (0-100) and its percentage text.
QGroupBox* ProgressPanel(const char* name, const char* title, const char* barName, const char* percentName,
                         QProgressBar*& bar, QLabel*& percent) {
  auto* panel = new QGroupBox(title);
  panel->setObjectName(name);
  bar = new QProgressBar;
  bar->setObjectName(barName);
  bar->setRange(0, 100);
  bar->setTextVisible(false);
  percent = new QLabel("0%");
  percent->setObjectName(percentName);
  percent->setMinimumWidth(40);
  auto* row = new QHBoxLayout(panel);
  row->addWidget(bar, 1);
  row->addWidget(percent);
  return panel;
}

QPushButton* Button(const char* name, const char* text) {
  auto* button = new QPushButton(text);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TFormUpdateFirm::TFormUpdateFirm(QWidget* parent) : QDialog(parent) {
  setObjectName("FormUpdateFirm");
  setWindowTitle("Firmware Update");

  auto* device = new QGroupBox("Writing Device");
  device->setObjectName("GBoxWrDevInfo");
  labelWriteDev_ = new QLabel;
  labelWriteDev_->setObjectName("LabelWriteDev");
  (new QVBoxLayout(device))->addWidget(labelWriteDev_);

  editUpdateFile_ = new QLineEdit;
  editUpdateFile_->setObjectName("EditUpdateFile");
  auto* browse = Button("BtnUpdateFileBrouse", "Browse");
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(editUpdateFile_, 1);
  fileRow->addWidget(browse);

  labelComment_ = new QLabel;
  labelComment_->setObjectName("LabelComment");
  btnStart_ = Button("BtnStart", "Start");
  btnCloseStop_ = Button("BtnCloseStop", "Close");
  btnCloseStop_->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnStart_);
  buttons->addWidget(btnCloseStop_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(device);
  layout->addLayout(fileRow);
  layout->addWidget(ProgressPanel("PanelProgWrite", " Update", "ProgUpdateBar", "ProgUpdatePerc", progUpdateBar_,
                                  progUpdatePerc_));
  layout->addWidget(ProgressPanel("PanelProgVerify", " Verify", "ProgVerifyBar", "ProgVerifyPerc", progVerifyBar_,
                                  progVerifyPerc_));
  layout->addWidget(labelComment_);
  layout->addLayout(buttons);
  resize(480, sizeHint().height());

  connect(browse, &QPushButton::clicked, this, &TFormUpdateFirm::BtnUpdateFileBrouseClick);
  connect(btnStart_, &QPushButton::clicked, this, &TFormUpdateFirm::BtnStartClick);
  connect(btnCloseStop_, &QPushButton::clicked, this, &TFormUpdateFirm::BtnCloseStopClick);
}

TFormUpdateFirm::~TFormUpdateFirm() {
  // The update runs to its end: a drive left halfway may not start again.
  if (update_) gui::WaitWithEvents([this] { return update_->Finished(); });
}

int TFormUpdateFirm::ShowUpdate(std::unique_ptr<SCSIDEV>& writer) {
  SetWriter(writer);
  return exec();
}

void TFormUpdateFirm::SetWriter(std::unique_ptr<SCSIDEV>& writer) {
  RescanAdapters();
  writer_ = &writer;
  labelWriteDev_->setText(QString::fromStdString(WritingDeviceLine(writer.get())));
  ResetProgress();
  labelComment_->clear();
  btnStart_->setEnabled(HaveWriter());
  btnCloseStop_->setEnabled(true);
}

bool TFormUpdateFirm::HaveWriter() const { return writer_ != nullptr && *writer_ && (*writer_)->IsAssigned(); }

void TFormUpdateFirm::ResetProgress() {
  ShowProgress(UpdateBar::Update, 0);
  ShowProgress(UpdateBar::Verify, 0);
}

void TFormUpdateFirm::ShowProgress(UpdateBar bar, int percent) {
  bool update = bar == UpdateBar::Update;
  (update ? progUpdateBar_ : progVerifyBar_)->setValue(percent);
  (update ? progUpdatePerc_ : progVerifyPerc_)->setText(QString("%1%").arg(percent));
}

void TFormUpdateFirm::SetComment(const std::string& text) { labelComment_->setText(QString::fromStdString(text)); }

void TFormUpdateFirm::SetDeviceLine(const std::string& text) {
  labelWriteDev_->setText(QString::fromStdString(text));
}

void TFormUpdateFirm::UpdateEnded(UpdateResult) {
  running_ = false;
  btnStart_->setEnabled(HaveWriter());
  btnCloseStop_->setEnabled(true);
}

void TFormUpdateFirm::BtnUpdateFileBrouseClick() {
  ui::FileDialogRequest request;
  request.title = "Select a file for updating firmware";
  request.fileName = editUpdateFile_->text().toStdString();
  if (auto chosen = ui::FileDialog(request)) editUpdateFile_->setText(QString::fromStdString(*chosen));
}

void TFormUpdateFirm::BtnStartClick() {
  if (running_ || !HaveWriter()) return;
  ResetProgress();
  labelComment_->clear();
  btnStart_->setEnabled(false);
  if (editUpdateFile_->text().isEmpty()) {
    int answer = ui::MessageBox("No file is specified.\r\nDo you wish to select an update file?", ProgramName,
                                ui::kYesNo | ui::kIconQuestion);
    if (answer == ui::kIdYes) BtnUpdateFileBrouseClick();
  }
  if (editUpdateFile_->text().isEmpty()) {
    btnStart_->setEnabled(true);
    return;
  }
  ReleaseFinishedUpdate();
  running_ = true;
  btnCloseStop_->setEnabled(false);
  update_ = std::make_unique<TUpdateThread>(*this, editUpdateFile_->text().toStdString(), *writer_);
  update_->Start();
}

void TFormUpdateFirm::ReleaseFinishedUpdate() {
  if (!update_) return;
  gui::WaitWithEvents([this] { return update_->Finished(); });
  update_.reset();
}

void TFormUpdateFirm::StopForQuit() {
  if (!update_) return;
  update_->RequestQuit();
  gui::WaitWithEvents([this] { return update_->Finished(); });
}

void TFormUpdateFirm::BtnCloseStopClick() { reject(); }

void TFormUpdateFirm::reject() {
  if (running_) return;
  QDialog::reject();
}

void TFormUpdateFirm::closeEvent(QCloseEvent* event) {
  if (running_) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}
