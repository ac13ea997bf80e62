// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/TAboutBox.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "devices/DeviceLine.h"
#include "base/ProgramIdentity.h"
#include "gui/ProgramIcon.h"

namespace {

QLabel* Centred(QWidget* parent, const char* name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignCenter);
  return label;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName("AboutBox");
  setWindowTitle("Version information");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  auto* icon = new QLabel(this);
  icon->setObjectName("ProgramIcon");
  icon->setPixmap(ProgramPixmap(64));
  icon->setAlignment(Qt::AlignCenter);
  auto* description =
      Centred(this, "LabelDescription", "Records and verifies DVD-R discs\non SCSI DVD-R writers.");

  auto* group = new QGroupBox("[Writing Device Information]", this);
  group->setObjectName("GBoxWrDevInfo");
  labelWriteDev_ = Centred(group, "LabelWriteDev", QString());
  auto* inGroup = new QVBoxLayout(group);
  inGroup->addWidget(labelWriteDev_);

  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("OKButton");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* okRow = new QHBoxLayout;
  okRow->addStretch();
  okRow->addWidget(ok);
  okRow->addStretch();

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(icon);
  layout->addWidget(Centred(this, "ProductName", QString(ProgramName) + ProgramVersion));
  layout->addWidget(Centred(this, "Date", ProgramDate));
  layout->addWidget(Centred(this, "LabelAppInfo", ProgramInfo));
  layout->addWidget(description);
  layout->addWidget(Centred(this, "LabelLicence",
                            QString("Free software under the GNU General Public License,\nversion 3 or any later "
                                    "version (%1).").arg(ProgramLicence)));
  layout->addWidget(group);
  layout->addLayout(okRow);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

int TAboutBox::ShowVersion(const SCSIDEV* writer) {
  labelWriteDev_->setText(QString::fromStdString(WritingDeviceLine(writer)));
  adjustSize();
  if (QScreen* screen = QApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  return exec();
}
