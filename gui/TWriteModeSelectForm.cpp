#include "gui/TWriteModeSelectForm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

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
  column->addSpacing(8);
  column->addWidget(Line(this, "Label1", "Do you wish to write the volume up to the disc size?"));
  column->addWidget(Line(this, "Label2", "(Rest of the volume is not written.)"));
  column->addSpacing(8);

  btnOk_ = new QPushButton("OK", this);
  btnOk_->setObjectName("BtnOK");
  btnOk_->setDefault(true);
  btnCancel_ = new QPushButton("Cancel writing", this);
  btnCancel_->setObjectName("BtnCancel");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOk_);
  buttons->addWidget(btnCancel_);
  column->addLayout(buttons);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  connect(btnOk_, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
}

bool TWriteModeSelectForm::AskRoundDown() {
  btnOk_->setFocus();
  return exec() == QDialog::Accepted;
}
