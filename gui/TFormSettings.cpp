// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/TFormSettings.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/Log.h"

TFormSettings::TFormSettings(QWidget* parent) : QDialog(parent) {
  setObjectName("FormSettings");
  setWindowTitle("Operation Settings");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  auto* group = new QGroupBox("Settings", this);
  auto* doNotMakeLog = new QCheckBox("Do not make a log file.", group);
  doNotMakeLog->setObjectName("ChkBoxDoNotMakeLog");
  auto* inGroup = new QVBoxLayout(group);
  inGroup->addWidget(doNotMakeLog);
  // ChkBoxDoNotMakeLogClick: ticked switches logging off.
  connect(doNotMakeLog, &QCheckBox::clicked, this, [](bool checked) { SetLogOutput(!checked); });

  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("ButtonOK");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* okRow = new QHBoxLayout;
  okRow->addStretch();
  okRow->addWidget(ok);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addLayout(okRow);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}
