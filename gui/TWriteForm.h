// SPDX-License-Identifier: GPL-3.0-or-later
// TWriteForm: the operation dialog, in which every write, test, verify, copy
// and pattern operation is chosen, started, followed and canceled. The main
// window fills it with a request (SetParameters) and shows it modally; the
// request's form decides the texts and the operation list, the chosen
// operation the progress rows. Start runs a TOperationThread on a request
// built from the given one and the chosen operation; the dialog is that
// thread's OperationDialog. Closing it while an operation runs asks first and
// then cancels the operation, waiting for its end with the event loop
// running, so that the operation's last boxes are still served; an operation
// that ends while the question is open takes the question away.
//
// Besides the rows of the passes it shows the whole operation's percent and
// time left (a line, and the window title), and after the end how the
// operation ended and how long it took; when the window is not active then,
// a desktop notification says it too.
//
// Under the progress rows a graph draws the speed of every pass over its
// position on the disc, redrawn at most ten times a second from the pass's
// progress reports, and kept after the operation until the next Start. With
// a graph to show, the dialog stays open after "Operation done." until the
// person closes it; "Save graph..." writes the graph as PNG.
#pragma once

#include <QDialog>
#include <atomic>
#include <memory>
#include <optional>

#include "gui/WriteFormControls.h"
#include "host/ui/MessageBox.h"
#include "operation/OperationDialog.h"
#include "operation/OperationForm.h"
#include "operation/OperationProgress.h"
#include "operation/OperationRequest.h"
#include "transfer/PassGraph.h"
#include "transfer/PassSpeed.h"

class QTimer;
class TOperationThread;
class TVolSizeForm;
class TWriteModeSelectForm;
class VolSizeChoice;

class TWriteForm : public QDialog, public OperationDialog {
  Q_OBJECT

 public:
  // sizes is the volume size choice the volume check filled; "Change
  // size..." shows it. It outlives the dialog.
  explicit TWriteForm(VolSizeChoice& sizes, QWidget* parent = nullptr);
  ~TWriteForm() override;

  // Fills the dialog for a request; logs the form's heading. False, and the
  // dialog is left as it was, when the form lacks a device it needs.
  bool SetParameters(const OperationRequest& request);
  // Shows the filled dialog modally, until it is closed.
  void ShowModal();
  // SetParameters, then ShowModal when it allows; how the last operation
  // run in the dialog then ended (nothing when none ran).
  std::optional<OperationOutcome> ShowOperation(const OperationRequest& request);

  // The size an operation will take when it starts.
  uint64_t VolumeSize() const { return volumeSize_.load(); }
  // The sector count of the pattern's (hidden) sector edit.
  uint32_t GetWriteSectors() const { return writeSectors_; }
  // How the last operation ended; nothing before the first one has.
  const std::optional<OperationOutcome>& LastOutcome() const { return outcome_; }
  bool OperationRunning() const;
  // A signal ends the program: the running operation is canceled as Cancel
  // does, without the question, and waited for.
  void StopForQuit();
  TVolSizeForm& VolSizeForm() { return *volSizeForm_; }
  // The samples of the passes of the last operation (for a disc record) and
  // the picture drawn from them.
  const PassGraph& Graph() const { return graph_; }
  chart::SpeedChart GraphChart() const;

  // OperationDialog.
  uint64_t CurrentVolumeSize() override { return volumeSize_.load(); }
  void ShowProgress(int phase, int percent) override;
  void ShowPassProgress(const PassProgress& report) override;
  void OperationErrorShown() override;
  bool AskWriteMode(uint64_t volumeBytes, uint64_t discBytes) override;
  void OperationEnding() override;
  void OperationEnded(OperationResult result, bool closeAtEnd) override;
  void SetComment(const std::string& text) override;
  void EnableCancel(bool enabled) override;

 public slots:
  // Cancel, Esc and the close box: asks FormCloseQuery first.
  void reject() override;

 private:
  // The texts and list of the request's form, and the list's preselection.
  void SetMode();
  Operation ShownOperation() const;
  void ShowVolumeSize();
  void EnableOperationList(bool enabled);

  // Handlers.
  void CmbWriteModeChange();
  void BtnStartClick();
  void BtnCloseStopClick();
  bool FormCloseQuery();
  void FormClose();
  void BtnChangeSizeClick();
  void LabelHexDecClick();
  void EditWriteSectorsChange();
  void BtnGetDiscSizeClick();
  void ResetAfterOperation();
  void BtnSaveGraphClick();

  // The graph: a new one at Start with the drive's nominal rates; the
  // timer's tick takes the latest report and redraws when anything changed.
  void BeginGraph(const OperationRequest& request);
  void GraphTick();
  // The graph as PNG beside the operation's disc record (nothing without one).
  void SaveGraphWithRecord(const std::string& recordFile);

  // Waits, with the event loop running, until the operation's thread has
  // ended, then frees it.
  void FreeOperation();
  // A close as the Cancel button asks it: examined once control is back in
  // the dialog's event loop.
  void RequestClose();

  WriteFormControls controls_;
  std::unique_ptr<TVolSizeForm> volSizeForm_;
  std::unique_ptr<TWriteModeSelectForm> writeModeForm_;

  OperationRequest request_;
  OperationFamily family_ = OperationFamily::Write;
  bool patternMode_ = false;
  std::atomic<uint64_t> volumeSize_{0};  // read by the operation thread when it starts
  uint32_t volumeSectors_ = 0;
  uint64_t writeSize_ = 0;
  uint32_t writeSectors_ = 0;
  SectorCountEdit sectorEdit_;

  std::unique_ptr<TOperationThread> operation_;
  std::optional<OperationOutcome> outcome_;
  // True while the dialog waits for an operation to end: Start and a second
  // close are refused meanwhile.
  bool waiting_ = false;
  int closeCount_ = 0;

  PassSpeed speed_;
  int speedPhase_ = -1;

  PassGraph graph_;
  std::string graphTitle_;
  bool graphChanged_ = false;
  QTimer* graphTimer_ = nullptr;
  OperationProgress overall_;
  QString caption_;  // the window title without the overall percent
  // The cancel question while it is open: taken back when the operation
  // ends under it.
  ui::OpenQuestion* cancelQuestion_ = nullptr;
};
