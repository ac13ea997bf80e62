// SPDX-License-Identifier: GPL-3.0-or-later
// TWriteForm: starting an operation, following it (the dialog is the
// operation thread's OperationDialog), canceling it and closing the dialog.
//
// The notifications arrive on the GUI thread while the operation thread
// waits; the comment line and the Cancel button are set from the operation
// thread and are carried over with PostToGuiThread. The GUI thread never
// waits for the operation without running its event loop: the operation's
// last notifications (its result box among them) need that loop.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "base/Log.h"
#include "base/ProgramIdentity.h"
#include "gui/DesktopNotification.h"
#include "gui/GuiThread.h"
#include "gui/TVolSizeForm.h"
#include "gui/TWriteForm.h"
#include "gui/TWriteModeSelectForm.h"
#include "host/ui/MessageBox.h"
#include "operation/OperationTexts.h"
#include "operation/TOperationThread.h"

namespace {

// The progress row of each phase: test, write, copy, verify.
constexpr size_t kRowOfPhase[] = {0, 1, 1, 2};

// An operation shorter than this ends while the person still watches it: no
// desktop notification.
constexpr double kNotifyAfterSeconds = 20;

}  // namespace

TWriteForm::~TWriteForm() {
  if (operation_) {
    operation_->Terminate();
    FreeOperation();
  }
}

bool TWriteForm::OperationRunning() const { return operation_ && operation_->Running(); }

void TWriteForm::BtnStartClick() {
  if (waiting_) return;
  AddLog("[TWriteForm::BtnStartClick]");
  EnableOperationList(false);
  controls_.btnChangeSize->setEnabled(false);
  controls_.btnStart->setEnabled(false);

  // The operation of an earlier Start has ended: free it first.
  int closes = closeCount_;
  FreeOperation();
  if (closeCount_ != closes) return;  // the dialog was closed meanwhile

  OperationRequest request = request_;
  if (patternMode_) {
    request = OperationRequest::Pattern(ShownOperation(), *request_.destination.device);
  } else {
    request.operation = ShownOperation();
    OverrideVolumeSize(request.volume, volumeSize_.load());
  }
  request.ejectWhenDone = controls_.chkEjectWhenDone->isChecked();
  outcome_.reset();
  speed_.Clear();
  speedPhase_ = -1;
  BeginGraph(request);
  overall_.Begin(request.operation, OperationProgress::Clock::now());
  controls_.labelOverall->clear();
  controls_.SetRunning(true);
  operation_ = std::make_unique<TOperationThread>(*this, std::move(request));
  operation_->Start();
}

void TWriteForm::BtnCloseStopClick() { RequestClose(); }

void TWriteForm::RequestClose() {
  // A request that comes to the loop after the dialog has closed another way
  // has nothing left to close.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (isVisible()) reject();
      },
      Qt::QueuedConnection);
}

void TWriteForm::reject() {
  if (!FormCloseQuery()) return;
  QDialog::reject();
  FormClose();
}

bool TWriteForm::FormCloseQuery() {
  if (waiting_) return false;
  if (OperationRunning()) {
    int closes = closeCount_;
    ui::OpenQuestion question;
    cancelQuestion_ = &question;
    int answer = ui::MessageBox("Are you sure to cancel operation?", ProgramName,
                                ui::kYesNo | ui::kIconQuestion | ui::kDefButton2, question);
    cancelQuestion_ = nullptr;
    // The operation may have ended (taking the question away) and closed the
    // dialog while the question was open.
    if (question.Withdrawn() || closeCount_ != closes || answer != ui::kIdYes) return false;
  }
  if (operation_) {
    waiting_ = true;
    operation_->Terminate();
    FreeOperation();
    waiting_ = false;
  }
  return true;
}

void TWriteForm::StopForQuit() {
  if (!operation_) return;
  waiting_ = true;
  operation_->Terminate();
  FreeOperation();
  waiting_ = false;
}

void TWriteForm::FormClose() {
  ++closeCount_;
  AddLog("[TWriteForm::FormClose]");
}

void TWriteForm::FreeOperation() {
  if (!operation_) return;
  bool wasWaiting = waiting_;
  waiting_ = true;
  gui::WaitWithEvents([this] { return !operation_ || operation_->Finished(); });
  operation_.reset();
  waiting_ = wasWaiting;
}

void TWriteForm::ShowProgress(int phase, int percent) {
  if (phase < 0 || phase > 3) return;
  WriteFormControls::ProgressRowControls& row = controls_.rows[kRowOfPhase[phase]];
  row.bar->setValue(percent);
  row.percent->setText(QString("%1%").arg(percent));

  // A pass starts at 0%; the bytes it moves are what the operation took (a
  // round down cuts them to the disc).
  PassSpeed::Clock::time_point now = PassSpeed::Clock::now();
  if (phase != speedPhase_ || percent == 0) {
    speed_.Begin(operation_ ? operation_->VolumeSize() : volumeSize_.load(), now);
    speedPhase_ = phase;
  }
  speed_.Progress(percent, now);
  controls_.labelSpeed->setText(QString::fromStdString(speed_.SpeedText()));
  controls_.labelTimeLeft->setText(QString::fromStdString(speed_.TimeLeftText()));
  overall_.Progress(phase, percent, now);
  controls_.labelOverall->setText(QString::fromStdString(overall_.Text()));
  setWindowTitle(QString("%1% - %2").arg(overall_.Percent()).arg(caption_));
}

void TWriteForm::OperationErrorShown() {
  controls_.btnStart->setEnabled(true);
  EnableOperationList(true);
}

bool TWriteForm::AskWriteMode(uint64_t volumeBytes, uint64_t discBytes) {
  return writeModeForm_->AskRoundDown(volumeBytes, discBytes);
}

void TWriteForm::OperationEnding() {
  if (cancelQuestion_ != nullptr) cancelQuestion_->Withdraw();
}

void TWriteForm::OperationEnded(OperationResult result, bool closeAtEnd) {
  outcome_ = operation_ ? operation_->Outcome() : OperationOutcome{};
  if (!operation_) outcome_->result = result;
  controls_.btnStart->setEnabled(true);
  // The last report of the last pass, then the graph stands still.
  GraphTick();
  if (graphTimer_ != nullptr) graphTimer_->stop();
  SaveGraphWithRecord(outcome_->recordFile);
  // A graph is worth a look: the dialog then stays until the person closes it.
  if (closeAtEnd && !graph_.HasSamples()) RequestClose();
  ResetAfterOperation();
  controls_.SetRunning(false);
  setWindowTitle(caption_);
  // How it ended stays in view while the dialog is open.
  const std::string line = OutcomeLine(*outcome_);
  controls_.labelComment->setText(QString::fromStdString(line));
  if (!isActiveWindow() && outcome_->seconds >= kNotifyAfterSeconds) gui::NotifyDesktop(ProgramName, line);
}

void TWriteForm::SetComment(const std::string& text) {
  gui::PostToGuiThread(this, [this, text] { controls_.labelComment->setText(QString::fromStdString(text)); });
}

void TWriteForm::EnableCancel(bool enabled) {
  gui::PostToGuiThread(this, [this, enabled] { controls_.btnCloseStop->setEnabled(enabled); });
}
