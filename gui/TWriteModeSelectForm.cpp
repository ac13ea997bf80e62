// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/TWriteModeSelectForm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "operation/OperationTexts.h"

namespace {

QLabel* Line(QWidget* parent, const char* name, const char* text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

}  // namespace

TWriteModeSelectForm::TWriteModeSelectForm(QWidget* parent) : QDialog(parent) {
  setObjectName("WriteModeSelectForm");
  setWindowTitle("Write Mode Select");
  setModal(true);

  auto* column = new QVBoxLayout(this);
  column->addWidget(Line(this, "LabelInfo1", "Specified volume size is larger than the disc size."));
  labelSizes_ = Line(this, "LabelSizes", "");
  column->addWidget(labelSizes_);
  column->addSpacing(8);
  column->addWidget(Line(this, "Label1", "Do you wish to write the volume up to the disc size?"));
  column->addWidget(Line(this, "Label2", "(Rest of the volume is not written.)"));
  column->addSpacing(8);

  btnOk_ = new QPushButton("OK", this);
  btnOk_->setObjectName("BtnOK");
  // Writing only part of a volume is not done by a stray Enter: "Cancel
  // writing" is the default.
  btnCancel_ = new QPushButton("Cancel writing", this);
  btnCancel_->setObjectName("BtnCancel");
  btnCancel_->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOk_);
  buttons->addWidget(btnCancel_);
  column->addLayout(buttons);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  connect(btnOk_, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
}

bool TWriteModeSelectForm::AskRoundDown(uint64_t volumeBytes, uint64_t discBytes) {
  labelSizes_->setText(QString::fromStdString(WriteModeSizesText(volumeBytes, discBytes)));
  btnCancel_->setFocus();
  return exec() == QDialog::Accepted;
}
