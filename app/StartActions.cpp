// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartActions.h"

#include <filesystem>

#include "base/CFILE.h"
#include "base/ProgramIdentity.h"
#include "devices/DiscState.h"
#include "devices/MMCRECORDER.h"
#include "devices/MediumRules.h"
#include "host/ui/MessageBox.h"
#include "operation/RecordVerify.h"
#include "records/RecordStore.h"
#include "volume/CheckHeader.h"
#include "volume/VolSizeChoice.h"

namespace {

// Another maker's writer with a DVD+R in it offers no test write; every
// other writer (and a drive without a disc, which the operation refuses
// with its own message) keeps the whole list.
bool OffersTestWrite(SCSIDEV& writer) {
  if (writer.ClassCode() != MMCRECORDER::kClassCode) return true;
  DiscState state = ReadDiscState(writer);
  return !state.HasDisc() || TakesTestWrite(state) || !IsRecordableMedium(state.profile);
}

struct RoleTexts {
  const char* question;
  const char* title;
};

RoleTexts TextsOf(FileRole role) {
  if (role == FileRole::Source)
    return {"Source file is not specified.\r\nDo you wish to select a source file?", "Select a source file"};
  return {"Destination file is not specified.\r\nDo you wish to select a destination file?",
          "Select a destination file"};
}

std::string FolderOf(const std::string& file) {
  if (file.empty()) return {};
  return std::filesystem::path(file).parent_path().string();
}

}  // namespace

std::string NewCopyName(const std::string& source) {
  std::filesystem::path path(source);
  std::string stem = path.stem().string(), extension = path.extension().string();
  if (stem.empty()) stem = "disc";
  if (extension.empty()) extension = ".iso";
  for (int n = 1;; ++n) {
    std::string name = stem + "-copy" + (n > 1 ? std::to_string(n) : "") + extension;
    std::filesystem::path candidate = path.parent_path() / name;
    if (!CFILE::FileExists(candidate.string())) return candidate.string();
  }
}

ui::FileDialogRequest StartActions::ChooserRequest(FileRole role, const PageSide* source) const {
  ui::FileDialogRequest request;
  request.title = TextsOf(role).title;
  request.filter = kImageFilter;
  // A destination is usually a file that does not exist yet.
  request.save = role == FileRole::Destination;
  const std::string& last = role == FileRole::Source ? memory_.lastSource : memory_.lastDestination;
  request.folder = FolderOf(last);
  if (role == FileRole::Source) {
    request.fileName = !lastChosen_.empty() ? lastChosen_ : last;
  } else if (source != nullptr && source->isFile && !source->fileName.empty()) {
    request.fileName = NewCopyName(source->fileName);
  } else if (!request.folder.empty()) {
    request.fileName = NewCopyName(request.folder + "/disc.iso");
  }
  return request;
}

std::optional<std::string> StartActions::Browse(FileRole role, const PageSide* source) {
  declined_ = false;
  std::optional<std::string> chosen = ui::FileDialog(ChooserRequest(role, source));
  if (!chosen) return std::nullopt;
  if (role == FileRole::Destination && *chosen != agreedOverwrite_) {
    // Asked once, here; the copy does not ask again for this file.
    if (!MayOverwrite(*chosen)) {
      declined_ = true;
      return std::nullopt;
    }
    agreedOverwrite_ = *chosen;
  }
  lastChosen_ = *chosen;
  (role == FileRole::Source ? memory_.lastSource : memory_.lastDestination) = *chosen;
  return chosen;
}

bool StartActions::EnsureFileName(FileRole role, std::string& fileName, const PageSide* source) {
  if (!fileName.empty()) return true;
  if (ui::MessageBox(TextsOf(role).question, ProgramName, ui::kYesNo | ui::kIconQuestion) != ui::kIdYes) return false;
  Browse(role, source);
  if (declined_) return false;  // the one box of a declined overwrite has been shown
  // The dialog's file name, chosen now or earlier, or still empty.
  fileName = lastChosen_;
  return !fileName.empty();
}

bool StartActions::CheckSource(const PageSide& source, VolumeInfo& volume) {
  ui::BusyCursor busy;  // the hourglass while the GUI thread checks a volume
  if (source.isFile) return CheckHeader(source.fileName, sizes_, volume);
  return CheckHeader(*source.device, sizes_, volume);
}

// The sides are compared as soon as both are known: two devices before the
// source is read (a device is never its own destination, and reading it
// would only bring up its errors), a file destination once its name is.
std::optional<OperationRequest> StartActions::StartWritePage(Operation operation, PageSide& source,
                                                             SCSIDEV* writer) {
  // Nothing starts on a missing device (a list the scan could not fill).
  if (writer == nullptr || (!source.isFile && source.device == nullptr)) return std::nullopt;
  if (source.isFile && !EnsureFileName(FileRole::Source, source.fileName)) return std::nullopt;

  OperationRequest request;
  request.operation = operation;
  request.source = source.isFile ? Endpoint(source.fileName) : Endpoint(*source.device);
  request.destination = Endpoint(*writer);
  request.testWriteOffered = OffersTestWrite(*writer);
  if (!SidesDiffer(request) || !CheckSource(source, request.volume)) return std::nullopt;
  return request;
}

std::optional<OperationRequest> StartActions::StartCopyPage(Operation operation, PageSide& source,
                                                            PageSide& destination) {
  if (!source.isFile && source.device == nullptr) return std::nullopt;
  if (!destination.isFile && destination.device == nullptr) return std::nullopt;
  if (source.isFile && !EnsureFileName(FileRole::Source, source.fileName)) return std::nullopt;

  OperationRequest request;
  request.operation = operation;
  request.source = source.isFile ? Endpoint(source.fileName) : Endpoint(*source.device);
  if (!destination.isFile) {
    request.destination = Endpoint(*destination.device);
    if (!SidesDiffer(request)) return std::nullopt;
  }
  if (!CheckSource(source, request.volume)) return std::nullopt;
  if (destination.isFile) {
    if (!EnsureFileName(FileRole::Destination, destination.fileName, &source)) return std::nullopt;
    request.destination = Endpoint(destination.fileName);
    if (!SidesDiffer(request)) return std::nullopt;
    request.overwriteAgreed = !agreedOverwrite_.empty() && destination.fileName == agreedOverwrite_;
  }
  return request;
}

std::optional<OperationRequest> StartActions::WritePattern(SCSIDEV* writer) {
  if (writer == nullptr) return std::nullopt;
  OperationRequest request = OperationRequest::Pattern(Operation::TestOnly, *writer);
  request.testWriteOffered = OffersTestWrite(*writer);
  return request;
}

std::optional<OperationRequest> StartActions::VerifyAgainstRecord(SCSIDEV* writer) {
  if (writer == nullptr) return std::nullopt;
  ui::FileDialogRequest dialog;
  dialog.title = "Select a disc record";
  dialog.filter = "Disc records (*.json)|*.json|All files|*";
  if (std::string folder = DefaultRecordsFolder(); !folder.empty()) dialog.fileName = folder + "/";
  std::optional<std::string> chosen = ui::FileDialog(dialog);
  if (!chosen) return std::nullopt;
  std::string error;
  std::optional<OperationRequest> request = RecordVerifyRequest(*chosen, error);
  if (!request) {
    ui::MessageBox(error, ProgramName, ui::kIconError);
    return std::nullopt;
  }
  request->destination = Endpoint(*writer);
  return request;
}
