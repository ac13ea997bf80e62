#include "gui/TWrDevPropForm.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "devices/DeviceLine.h"
#include "devices/SCSIDEV.h"
#include "gui/GuiThread.h"
#include "host/os/Thread.h"

namespace {

QPushButton* Button(const char* name, const char* text) {
  auto* button = new QPushButton(text);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

// EraseDisc on a thread of its own, so that the window is served meanwhile.
class EraseThread : public host::Thread {
 public:
  EraseThread(SCSIDEV& writer, EraseKind kind) : writer_(writer), kind_(kind) {}
  ~EraseThread() override { WaitFor(); }
  EraseResult Result() const { return result_; }

 protected:
  void Execute() override { result_ = EraseDisc(writer_, kind_); }

 private:
  SCSIDEV& writer_;
  EraseKind kind_;
  EraseResult result_ = EraseResult::Failed;
};

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
  auto* inside = new QVBoxLayout(group);
  inside->addWidget(labelWriterDev_);
  inside->addWidget(labelFreeSize_);

  btnErase_ = Button("BtnErase", "Erase");
  // Another maker's writer also blanks quickly (minimal blank).
  chkBoxQuickErase_ = new QCheckBox("Quick");
  chkBoxQuickErase_->setObjectName("ChkBoxQuickErase");
  btnOK_ = Button("BtnOK", "OK");
  btnOK_->setDefault(true);
  btnCancel_ = Button("BtnCancel", "Cancel");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnErase_);
  buttons->addWidget(chkBoxQuickErase_);
  buttons->addStretch(1);
  buttons->addWidget(btnOK_);
  buttons->addWidget(btnCancel_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addLayout(buttons);
  resize(440, sizeHint().height());

  connect(btnErase_, &QPushButton::clicked, this, &TWrDevPropForm::BtnEraseClick);
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
  btnErase_->setEnabled(true);
  chkBoxQuickErase_->setVisible(erasable && OffersQuickErase(writer));
  chkBoxQuickErase_->setChecked(false);
  labelWriterDev_->setText(QString::fromStdString(DeviceLine(writer)));
  ShowFreeSize();
}

void TWrDevPropForm::ShowFreeSize() {
  labelFreeSize_->setText(QString::fromStdString(FreeSizeLine(writer_->GetFreeSize())));
}

void TWrDevPropForm::BtnEraseClick() {
  if (writer_ == nullptr || erasing_) return;
  btnErase_->setEnabled(false);
  btnOK_->setEnabled(false);
  btnCancel_->setEnabled(false);
  erasing_ = true;
  {
    EraseThread erase(*writer_, chkBoxQuickErase_->isVisible() && chkBoxQuickErase_->isChecked() ? EraseKind::Quick
                                                                                                   : EraseKind::Full);
    erase.Start();
    gui::WaitWithEvents([&erase] { return erase.Finished(); });
    erase.WaitFor();
    lastErase_ = erase.Result();
  }
  erasing_ = false;
  // The disc is blank now: show what it can take.
  if (lastErase_ == EraseResult::Done) ShowFreeSize();
  btnErase_->setEnabled(true);
  btnOK_->setEnabled(true);
  btnCancel_->setEnabled(true);
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
