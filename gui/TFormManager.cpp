// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/TFormManager.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ManagerChoice.h"
#include "base/ProgramIdentity.h"
#include "gui/ManagerSetting.h"
#include "host/ui/MessageBox.h"
#include "scsi/AspiManager.h"

TFormManager::TFormManager(QWidget* parent) : QDialog(parent) {
  setObjectName("FormManager");
  setWindowTitle("SCSI Manager");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  auto* group = new QGroupBox("SCSI manager at the next start", this);
  choice_ = new QComboBox(group);
  choice_->setObjectName("CmbManager");
  // The named managers, and any library path the person types.
  choice_->setEditable(true);
  QString hintText;
  for (const ManagerOption& option : ManagerOptions()) {
    choice_->addItem(option.name);
    hintText += QString("%1: %2\n").arg(option.name, option.description);
  }
  auto* hint = new QLabel(hintText + "or the path of a manager library.", group);
  inUse_ = new QLabel(group);
  inUse_->setObjectName("LabelManagerInUse");
  auto* inGroup = new QVBoxLayout(group);
  inGroup->addWidget(choice_);
  inGroup->addWidget(hint);
  inGroup->addWidget(inUse_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName("BtnOK");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("BtnCancel");
  connect(buttons, &QDialogButtonBox::accepted, this, &TFormManager::Accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  Refresh();
}

void TFormManager::Refresh() {
  std::string saved = SavedManagerChoice();
  choice_->setCurrentText(QString::fromStdString(saved.empty() ? "sim" : saved));
  std::string path = AspiManagerPath();
  inUse_->setText("In use now: " + QString::fromStdString(path.empty() ? "none" : path));
}

void TFormManager::Accept() {
  std::string chosen = choice_->currentText().trimmed().toStdString();
  std::string error;
  if (!ManagerChoiceExists(chosen, &error)) {
    ui::MessageBox(error, ProgramName, ui::kIconError);
    return;
  }
  // The simulated bus is what runs when nothing is chosen. A named manager
  // is kept by its name; a path is kept absolute, since the next start may
  // run from another folder.
  bool named = false;
  for (const ManagerOption& option : ManagerOptions()) named = named || chosen == option.name;
  if (chosen == "sim") chosen.clear();
  if (!named && !chosen.empty()) chosen = ManagerLibraryFor(chosen).value_or(chosen);
  SaveManagerChoice(chosen);
  accept();
}
