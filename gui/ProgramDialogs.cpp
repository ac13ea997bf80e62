#include "gui/ProgramDialogs.h"

#include "base/Log.h"
#include "base/TextFormat.h"

void ProgramDialogs::ShowOperation(const OperationRequest& request) {
  AddLog(FormatText("[FormMain] The operation dialog is not part of this build yet (%02XH %s -> %s).",
                    static_cast<unsigned>(CodeOf(request.operation)),
                    request.pattern ? "pattern" : request.source.Describe().c_str(),
                    request.destination.Describe().c_str()));
}

void ProgramDialogs::ShowFirmwareUpdate(std::unique_ptr<SCSIDEV>&) {
  AddLog("[FormMain] The firmware update dialog is not part of this build yet.");
}

void ProgramDialogs::ShowWriterProperty(SCSIDEV&) {
  AddLog("[FormMain] The writer property dialog is not part of this build yet.");
}
