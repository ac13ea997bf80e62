// SPDX-License-Identifier: GPL-3.0-or-later
// TWriteForm: filling the dialog for a request, the operation list and its
// progress rows, and the volume size. Starting, following and ending an
// operation is in TWriteFormOperation.cpp.
#include "gui/TWriteForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "devices/NoDisc.h"
#include "devices/SCSIDEV.h"
#include "gui/SpeedChartView.h"
#include "gui/TVolSizeForm.h"
#include "gui/TWriteModeSelectForm.h"
#include "host/ui/MessageBox.h"
#include "operation/TOperationThread.h"
#include "volume/CheckHeader.h"

namespace {

constexpr uint64_t kSector2K = 2048;


}  // namespace

TWriteForm::TWriteForm(VolSizeChoice& sizes, QWidget* parent)
    : QDialog(parent),
      volSizeForm_(std::make_unique<TVolSizeForm>(sizes, this)),
      writeModeForm_(std::make_unique<TWriteModeSelectForm>(this)) {
  setObjectName("WriteForm");
  setModal(true);
  controls_.Build(*this, [this] { LabelHexDecClick(); });
  SetMode();

  connect(controls_.cmbWriteMode, &QComboBox::currentIndexChanged, this, [this] { CmbWriteModeChange(); });
  connect(controls_.btnStart, &QPushButton::clicked, this, [this] { BtnStartClick(); });
  connect(controls_.btnCloseStop, &QPushButton::clicked, this, [this] { BtnCloseStopClick(); });
  connect(controls_.btnChangeSize, &QPushButton::clicked, this, [this] { BtnChangeSizeClick(); });
  connect(controls_.editWriteSectors, &QLineEdit::textChanged, this, [this] { EditWriteSectorsChange(); });
  connect(controls_.btnGetDiscSize, &QPushButton::clicked, this, [this] { BtnGetDiscSizeClick(); });
  connect(controls_.btnSaveGraph, &QPushButton::clicked, this, [this] { BtnSaveGraphClick(); });
  controls_.graph->SetPlaceholder("Start draws the speed of each pass here.");
}

bool TWriteForm::SetParameters(const OperationRequest& request) {
  if (!CheckFormSides(request)) return false;
  request_ = request;
  patternMode_ = request.pattern;
  // The graph of another request's operation is not this one's.
  graph_.Clear();
  controls_.graph->SetChart({});
  controls_.btnSaveGraph->setEnabled(false);
  if (patternMode_) {
    // A pattern has no size until "Change size..." gives it one: it must
    // never take the size of the volume shown before it.
    volumeSize_ = 0;
    volumeSectors_ = 0;
    {
      QSignalBlocker quiet(controls_.editWriteSectors);
      controls_.editWriteSectors->setText("0");
    }
    SetMode();
  } else {
    SetMode();
    volumeSectors_ = request.volume.lbCount;
    volumeSize_ = request.volume.volumeSize;
    controls_.editVolName->setText(QString::fromStdString(request.volume.volumeName));
    ShowVolumeSize();
  }
  return true;
}

void TWriteForm::ShowModal() {
  CmbWriteModeChange();
  EnableOperationList(true);
  controls_.btnChangeSize->setEnabled(!request_.expected);  // a record fixes the size
  controls_.SetRunning(false);
  controls_.labelOverall->clear();
  exec();
}

std::optional<OperationOutcome> TWriteForm::ShowOperation(const OperationRequest& request) {
  if (!SetParameters(request)) return std::nullopt;
  outcome_.reset();
  ShowModal();
  return outcome_;
}

void TWriteForm::SetMode() {
  FormTexts texts = FormTextsOf(request_);
  family_ = texts.family;
  caption_ = texts.caption;
  setWindowTitle(caption_);
  // Only a writer's disc is ejected at the end.
  controls_.chkEjectWhenDone->setVisible(family_ == OperationFamily::Write);
  controls_.groupVolumeInfo->setTitle(texts.group);
  controls_.labelVolName->setText(texts.nameLabel);
  controls_.labelVolSize->setText(texts.sizeLabel);
  {
    // Filling the list is not a choice of the person.
    QSignalBlocker quiet(controls_.cmbWriteMode);
    controls_.cmbWriteMode->clear();
    for (const OperationItem& item : OperationListFor(request_)) controls_.cmbWriteMode->addItem(item.text);
    controls_.cmbWriteMode->setCurrentIndex(texts.selected);
  }
  CmbWriteModeChange();
  if (patternMode_) {
    controls_.editVolName->setText(QString::fromStdString(PatternDeviceLine(*request_.destination.device)));
    EditWriteSectorsChange();
  }
}

Operation TWriteForm::ShownOperation() const {
  std::optional<Operation> shown =
      OperationWithText(family_, controls_.cmbWriteMode->currentText().toStdString());
  return shown.value_or(OperationList(family_).front().operation);
}

void TWriteForm::ShowVolumeSize() {
  controls_.editVolSize->setText(QString::fromStdString(VolumeSizeText(volumeSize_.load(), volumeSectors_)));
}

void TWriteForm::EnableOperationList(bool enabled) {
  // Disabled, the list takes the button-face look from the style.
  controls_.cmbWriteMode->setEnabled(enabled);
}

void TWriteForm::CmbWriteModeChange() {
  controls_.ClearProgress();
  controls_.labelComment->clear();
  controls_.labelSpeed->clear();
  controls_.labelTimeLeft->clear();
  controls_.btnStart->setEnabled(true);
  controls_.Place(*this, LayOutProgressRows(WriteFormControls::Resource(), ShownOperation()));
}

void TWriteForm::ResetAfterOperation() {
  CmbWriteModeChange();
  EnableOperationList(true);
  controls_.btnChangeSize->setEnabled(!request_.expected);  // a record fixes the size
}

void TWriteForm::BtnChangeSizeClick() {
  VolSizeChoice& sizes = volSizeForm_->Sizes();
  if (patternMode_) {
    SCSIDEV& writer = *request_.destination.device;
    if (std::string none = NoDiscIn(writer); !none.empty()) {
      // The disc's size would read 0: say what is wrong instead.
      ui::MessageBox(none, ProgramName, ui::kIconError);
      return;
    }
    uint64_t size = writer.GetFreeSize();
    writeSectors_ = LbCountOf(size);
    writeSize_ = size;
    sizes.SetDiscSize(size);
  }
  if (volSizeForm_->Choose()) {
    volumeSize_ = sizes.ChosenSize();
    volumeSectors_ = LbCountOf(volumeSize_.load());
  }
  ShowVolumeSize();
}

void TWriteForm::EditWriteSectorsChange() {
  sectorEdit_.text = controls_.editWriteSectors->text().toStdString();
  writeSectors_ = sectorEdit_.Sectors();
  writeSize_ = uint64_t{writeSectors_} * kSector2K;
  controls_.editVolSize->setText(QString::fromStdString(WriteSizeText(writeSize_)));
}

void TWriteForm::LabelHexDecClick() {
  sectorEdit_.text = controls_.editWriteSectors->text().toStdString();
  sectorEdit_.ToggleBase();
  // Decimal in blue, hexadecimal in navy.
  QString colour = sectorEdit_.hex ? "color: #000080;" : "color: #0000FF;";
  controls_.labelHexDec->setText(sectorEdit_.Label());
  controls_.labelHexDec->setToolTip(sectorEdit_.Hint());
  controls_.labelHexDec->setStyleSheet(colour);
  controls_.editWriteSectors->setStyleSheet(colour);
  controls_.editWriteSectors->setText(QString::fromStdString(sectorEdit_.text));
}

void TWriteForm::BtnGetDiscSizeClick() {
  uint64_t size = request_.destination.device != nullptr ? request_.destination.device->GetFreeSize() : 0;
  if (size == 0) ui::MessageBox("No available disc in the drive.", "Error", ui::kIconError);
  sectorEdit_.SetSectors(LbCountOf(size));
  controls_.editWriteSectors->setText(QString::fromStdString(sectorEdit_.text));
  writeSectors_ = LbCountOf(size);
  writeSize_ = uint64_t{writeSectors_} * kSector2K;
  controls_.editVolSize->setText(QString::fromStdString(WriteSizeText(writeSize_)));
}
