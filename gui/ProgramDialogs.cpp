#include "gui/ProgramDialogs.h"

#include "base/Log.h"
#include "base/TextFormat.h"
#include "gui/TFormUpdateFirm.h"
#include "gui/TWrDevPropForm.h"

ProgramDialogs::ProgramDialogs(VolSizeChoice& sizes) : sizes_(sizes) {}

ProgramDialogs::~ProgramDialogs() = default;

void ProgramDialogs::ShowOperation(const OperationRequest& request) {
  AddLog(FormatText("[FormMain] The operation dialog is not part of this build yet (%02XH %s -> %s).",
                    static_cast<unsigned>(CodeOf(request.operation)),
                    request.pattern ? "pattern" : request.source.Describe().c_str(),
                    request.destination.Describe().c_str()));
}

void ProgramDialogs::ShowFirmwareUpdate(std::unique_ptr<SCSIDEV>& writer) {
  if (!formUpdateFirm_) formUpdateFirm_ = std::make_unique<TFormUpdateFirm>();
  formUpdateFirm_->ShowUpdate(writer);
}

void ProgramDialogs::ShowWriterProperty(SCSIDEV& writer) {
  if (!wrDevPropForm_) wrDevPropForm_ = std::make_unique<TWrDevPropForm>();
  wrDevPropForm_->ShowProperty(writer);
}
