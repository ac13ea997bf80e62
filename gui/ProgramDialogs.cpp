// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/ProgramDialogs.h"

#include "gui/TFormUpdateFirm.h"
#include "gui/TReadScanForm.h"
#include "gui/TSeveralWritersForm.h"
#include "gui/TWrDevPropForm.h"
#include "gui/TWriteForm.h"

ProgramDialogs::ProgramDialogs(VolSizeChoice& sizes) : sizes_(sizes) {}

ProgramDialogs::~ProgramDialogs() = default;

std::optional<OperationOutcome> ProgramDialogs::ShowOperation(const OperationRequest& request) {
  if (!writeForm_) writeForm_ = std::make_unique<TWriteForm>(sizes_);
  return writeForm_->ShowOperation(request);
}

void ProgramDialogs::ShowFirmwareUpdate(std::unique_ptr<SCSIDEV>& writer) {
  if (!formUpdateFirm_) formUpdateFirm_ = std::make_unique<TFormUpdateFirm>();
  formUpdateFirm_->ShowUpdate(writer);
}

void ProgramDialogs::ShowWriterProperty(SCSIDEV& writer) {
  if (!wrDevPropForm_) wrDevPropForm_ = std::make_unique<TWrDevPropForm>();
  wrDevPropForm_->ShowProperty(writer);
}

void ProgramDialogs::ShowSeveralWriters(const OperationRequest& source, const std::vector<std::string>& items,
                                        const std::vector<SCSIDEV*>& devices) {
  if (!severalWritersForm_) severalWritersForm_ = std::make_unique<TSeveralWritersForm>();
  std::vector<TSeveralWritersForm::Destination> destinations;
  for (size_t i = 0; i < items.size() && i < devices.size(); ++i) destinations.push_back({items[i], devices[i]});
  severalWritersForm_->SetParameters(source, destinations);
  severalWritersForm_->ShowModal();
}

void ProgramDialogs::ShowReadScan(SCSIDEV& drive) {
  if (!readScanForm_) readScanForm_ = std::make_unique<TReadScanForm>();
  readScanForm_->ShowScan(drive);
}

void ProgramDialogs::StopForQuit() {
  if (writeForm_) writeForm_->StopForQuit();
  if (formUpdateFirm_) formUpdateFirm_->StopForQuit();
}

bool ProgramDialogs::Runs(const QWidget& window) const {
  return &window == static_cast<const QWidget*>(writeForm_.get()) ||
         &window == static_cast<const QWidget*>(formUpdateFirm_.get());
}
