// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/TVolSizeForm.h"

#include <QButtonGroup>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "base/ProgramIdentity.h"
#include "host/ui/MessageBox.h"

namespace {

using Choice = VolSizeChoice::Choice;

QRadioButton* Radio(QWidget* parent, const char* name, QButtonGroup* group, Choice choice) {
  auto* radio = new QRadioButton(parent);
  radio->setObjectName(name);
  group->addButton(radio, static_cast<int>(choice));
  return radio;
}

void Show(QRadioButton* radio, const VolSizeChoice::Radio& state) {
  radio->setText(QString::fromStdString(state.caption));
  radio->setEnabled(state.enabled);
}

}  // namespace

TVolSizeForm::TVolSizeForm(VolSizeChoice& sizes, QWidget* parent) : QDialog(parent), sizes_(sizes) {
  setObjectName("VolSizeForm");
  setWindowTitle("Volume Size");
  setModal(true);

  auto* comment = new QLabel("Set volume size by following means.", this);
  comment->setObjectName("LabelComment2");

  auto* means = new QFrame(this);
  means->setObjectName("PanelMeans");
  means->setFrameShape(QFrame::StyledPanel);
  radios_ = new QButtonGroup(this);
  radioIso_ = Radio(means, "RadioISO", radios_, Choice::Iso);
  radioUdf_ = Radio(means, "RadioUDF", radios_, Choice::Udf);
  radioMedia_ = Radio(means, "RadioMediaSize", radios_, Choice::Media);
  radioManual_ = Radio(means, "RadioManual", radios_, Choice::Manual);
  editBytes_ = new QLineEdit("0", means);
  editBytes_->setObjectName("EditBytes");
  editBytes_->setMaxLength(31);
  labelBytes_ = new QLabel("bytes.", means);
  labelBytes_->setObjectName("LabelBytes");

  auto* grid = new QGridLayout(means);
  grid->addWidget(radioIso_, 0, 0, 1, 3);
  grid->addWidget(radioUdf_, 1, 0, 1, 3);
  grid->addWidget(radioMedia_, 2, 0, 1, 3);
  grid->addWidget(radioManual_, 3, 0, 1, 3);
  grid->addItem(new QSpacerItem(20, 1), 4, 0);
  grid->addWidget(editBytes_, 4, 1);
  grid->addWidget(labelBytes_, 4, 2);
  grid->setColumnStretch(1, 1);

  buttonOk_ = new QPushButton("OK", this);
  buttonOk_->setObjectName("ButtonOK");
  buttonOk_->setDefault(true);
  auto* buttonCancel = new QPushButton("Cancel", this);
  buttonCancel->setObjectName("ButtonCancel");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(buttonOk_);
  buttons->addWidget(buttonCancel);

  auto* column = new QVBoxLayout(this);
  column->addWidget(comment);
  column->addWidget(means);
  column->addLayout(buttons);
  setMinimumWidth(420);

  connect(radios_, &QButtonGroup::idClicked, this, [this](int id) { RadioClick(static_cast<Choice>(id)); });
  connect(editBytes_, &QLineEdit::textEdited, this,
          [this](const QString& text) { sizes_.SetManualText(text.toStdString()); });
  connect(buttonOk_, &QPushButton::clicked, this, &TVolSizeForm::ButtonOKClick);
  connect(buttonCancel, &QPushButton::clicked, this, &TVolSizeForm::reject);
  Load();
}

bool TVolSizeForm::Choose() {
  Load();
  buttonOk_->setFocus();
  return exec() == QDialog::Accepted;
}

void TVolSizeForm::Load() {
  Show(radioIso_, sizes_.Iso());
  Show(radioUdf_, sizes_.Udf());
  Show(radioMedia_, sizes_.Media());
  Show(radioManual_, sizes_.Manual());
  if (QAbstractButton* checked = radios_->button(static_cast<int>(sizes_.Checked()))) {
    checked->setChecked(true);
  } else {
    // No choice: an exclusive group cannot show none, so lift it briefly.
    radios_->setExclusive(false);
    for (QAbstractButton* radio : radios_->buttons()) radio->setChecked(false);
    radios_->setExclusive(true);
  }
  editBytes_->setText(QString::fromStdString(sizes_.ManualText()));
  UpdateManualInput();
}

void TVolSizeForm::UpdateManualInput() {
  // A disabled field takes the button-face look from the style.
  editBytes_->setEnabled(sizes_.ManualInputEnabled());
  labelBytes_->setEnabled(sizes_.ManualInputEnabled());
}

void TVolSizeForm::RadioClick(Choice choice) {
  sizes_.Check(choice);
  UpdateManualInput();
}

void TVolSizeForm::ButtonOKClick() {
  sizes_.SetManualText(editBytes_->text().toStdString());
  // A typed text that is no size is refused; the window stays open and the
  // size chosen before stays.
  if (std::string refusal = sizes_.ManualTextRefusal(); !refusal.empty()) {
    ui::MessageBox(refusal, ProgramName, ui::kIconError);
    return;
  }
  sizes_.Accept();
  accept();
}

void TVolSizeForm::reject() {
  sizes_.Cancel();
  QDialog::reject();
}
