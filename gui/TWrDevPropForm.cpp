// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/TWrDevPropForm.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "devices/DeviceLine.h"
#include "devices/SCSIDEV.h"
#include "gui/GuiThread.h"

namespace {

QPushButton* Button(const char* name, const char* text) {
  auto* button = new QPushButton(text);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TWrDevPropForm::TWrDevPropForm(QWidget* parent) : QDialog(parent) {
  setObjectName("WrDevPropForm");
  setWindowTitle("Writer Property");

  auto* group = new QGroupBox("Writing Device");
  group->setObjectName("GBoxWrDev");
  labelWriterDev_ = new QLabel("Writing Device: ");
  labelWriterDev_->setObjectName("LabelWriterDev");
  labelFreeSize_ = new QLabel("bytes free.");
  labelFreeSize_->setObjectName("LabelFreeSize");
  // The erase's progress, shown while it runs.
  progErase_ = new QProgressBar;
  progErase_->setObjectName("ProgErase");
  progErase_->setRange(0, 100);
  labelEraseProgress_ = new QLabel;
  labelEraseProgress_->setObjectName("LabelEraseProgress");
  auto* inside = new QVBoxLayout(group);
  inside->addWidget(labelWriterDev_);
  inside->addWidget(labelFreeSize_);
  inside->addWidget(progErase_);
  inside->addWidget(labelEraseProgress_);
  progErase_->hide();
  labelEraseProgress_->hide();

  btnErase_ = Button("BtnErase", "&Erase");
  // Another maker's writer also blanks quickly (minimal blank).
  chkBoxQuickErase_ = new QCheckBox("Quick");
  chkBoxQuickErase_->setObjectName("ChkBoxQuickErase");
  btnLoad_ = Button("BtnLoad", "&Load");
  btnEject_ = Button("BtnEject", "E&ject");
  btnOK_ = Button("BtnOK", "OK");
  btnOK_->setDefault(true);
  btnCancel_ = Button("BtnCancel", "Cancel");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnErase_);
  buttons->addWidget(chkBoxQuickErase_);
  buttons->addWidget(btnLoad_);
  buttons->addWidget(btnEject_);
  buttons->addStretch(1);
  buttons->addWidget(btnOK_);
  buttons->addWidget(btnCancel_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addLayout(buttons);
  resize(440, sizeHint().height());

  connect(btnErase_, &QPushButton::clicked, this, &TWrDevPropForm::BtnEraseClick);
  connect(btnLoad_, &QPushButton::clicked, this, [this] { LoadOrEject(true); });
  connect(btnEject_, &QPushButton::clicked, this, [this] { LoadOrEject(false); });
  connect(btnOK_, &QPushButton::clicked, this, &TWrDevPropForm::BtnOKClick);
  connect(btnCancel_, &QPushButton::clicked, this, &TWrDevPropForm::BtnCancelClick);
}

int TWrDevPropForm::ShowProperty(SCSIDEV& writer) {
  SetWriter(writer);
  return exec();
}

void TWrDevPropForm::SetWriter(SCSIDEV& writer) {
  writer_ = &writer;
  const bool erasable = ShowsFreeSizeAndErase(writer);
  labelFreeSize_->setVisible(erasable);
  btnErase_->setVisible(erasable);
  EnableButtons(true);
  chkBoxQuickErase_->setVisible(erasable && OffersQuickErase(writer));
  chkBoxQuickErase_->setChecked(false);
  labelWriterDev_->setText(QString::fromStdString(DeviceLine(writer)));
  if (erasable) ShowFreeSize();
}

void TWrDevPropForm::ShowFreeSize() {
  std::string line;
  gui::RunOnWorker([&] { line = FreeSizeOrNoDisc(*writer_); });
  labelFreeSize_->setText(QString::fromStdString(line));
}

void TWrDevPropForm::EnableButtons(bool enabled) {
  for (QPushButton* button : {btnErase_, btnLoad_, btnEject_, btnOK_, btnCancel_}) button->setEnabled(enabled);
}

void TWrDevPropForm::LoadOrEject(bool load) {
  if (writer_ == nullptr || erasing_) return;
  EnableButtons(false);
  gui::RunOnWorker([this, load] { load ? LoadDisc(*writer_) : EjectDisc(*writer_); });
  if (labelFreeSize_->isVisible()) ShowFreeSize();
  EnableButtons(true);
}

void TWrDevPropForm::ShowEraseProgress(const EraseProgress& progress) {
  if (progress.percent >= 0) {
    progErase_->setRange(0, 100);
    progErase_->setValue(progress.percent);
  } else {
    progErase_->setRange(0, 0);  // the drive says nothing of its progress: a busy bar
  }
  labelEraseProgress_->setText(QString::fromStdString(EraseProgressText(progress)));
}

void TWrDevPropForm::BtnEraseClick() {
  if (writer_ == nullptr || erasing_) return;
  EnableButtons(false);
  erasing_ = true;
  ShowEraseProgress(EraseProgress{0, 0});
  progErase_->show();
  labelEraseProgress_->show();
  EraseResult result = EraseResult::Failed;
  const EraseKind kind =
      chkBoxQuickErase_->isVisible() && chkBoxQuickErase_->isChecked() ? EraseKind::Quick : EraseKind::Full;
  // The polls report from the worker; the window shows them on its thread.
  EraseProgressFn report = [this](const EraseProgress& progress) {
    gui::PostToGuiThread(this, [this, progress] { ShowEraseProgress(progress); });
  };
  gui::RunOnWorker([&] { result = EraseDisc(*writer_, kind, report); });
  QCoreApplication::sendPostedEvents(this);
  lastErase_ = result;
  erasing_ = false;
  progErase_->hide();
  labelEraseProgress_->hide();
  // The disc is blank now: show what it can take.
  if (lastErase_ == EraseResult::Done) ShowFreeSize();
  EnableButtons(true);
}

void TWrDevPropForm::BtnOKClick() { accept(); }

void TWrDevPropForm::BtnCancelClick() { reject(); }

void TWrDevPropForm::reject() {
  if (erasing_) return;
  QDialog::reject();
}

void TWrDevPropForm::closeEvent(QCloseEvent* event) {
  if (erasing_) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}
