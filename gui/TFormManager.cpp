#include "gui/TFormManager.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>

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
  for (const ManagerOption& option : ManagerOptions()) {
    choice_->addItem(QString("%1").arg(option.name), QString(option.description));
  }
  auto* hint = new QLabel("sim: the simulated bus; sg: real drives (Linux SCSI generic);\n"
                          "or the path of a manager library.",
                          group);
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
  std::optional<std::string> library = ManagerLibraryFor(chosen);
  std::error_code ignored;
  if (library && !std::filesystem::is_regular_file(*library, ignored)) {
    ui::MessageBox("No SCSI manager library at " + *library + ".", ProgramName, ui::kIconError);
    return;
  }
  // The simulated bus is what runs when nothing is chosen.
  SaveManagerChoice(chosen == "sim" ? std::string() : chosen);
  accept();
}
