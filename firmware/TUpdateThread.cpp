#include "firmware/TUpdateThread.h"

#include <array>

#include "base/CFILE.h"
#include "base/Log.h"
#include "base/ProgramIdentity.h"
#include "devices/DeviceLine.h"
#include "devices/MMCRECORDER.h"
#include "devices/SCSIDEV.h"
#include "firmware/ReidentifyDrive.h"
#include "firmware/SysMecUpdate.h"
#include "firmware/Type1Update.h"
#include "firmware/format/FirmwareFile.h"
#include "host/ui/MessageBox.h"

TUpdateThread::TUpdateThread(UpdateDialog& dialog, std::string fileName, std::unique_ptr<SCSIDEV>& writer,
                             UpdateOptions options)
    : dialog_(dialog), fileName_(std::move(fileName)), writer_(writer), options_(options) {}

TUpdateThread::~TUpdateThread() { WaitFor(); }

void TUpdateThread::Execute() {
  AddLog("\r\n[UpdateFirmware]\r\n");
  UpdateSession session(dialog_, *writer_, options_);
  bool succeeded;
  {
    ui::BusyCursor busy;
    Outcome outcome = UpdateFirmware(session);
    succeeded = outcome == Outcome::Succeeded;
    session.SetComment("");
    // An unreadable file or a canceled update sent nothing: the drive is as
    // it was.
    if (outcome != Outcome::FileUnreadable && !session.Canceled())
      succeeded = ReidentifyDrive(session, writer_) && succeeded;
  }
  FinishUpdate(session, succeeded);
}

TUpdateThread::Outcome TUpdateThread::UpdateFirmware(UpdateSession& session) {
  // Another maker's recorder takes its firmware from its own maker's tools:
  // nothing is sent to it.
  if (writer_->ClassCode() == MMCRECORDER::kClassCode) {
    session.ShowError("Firmware updates are for the maker's writers (QXW-7100, QXW-7200) only. " +
                      DriveName(*writer_) + " is another maker's drive: update it with its maker's tools.");
    return Outcome::FileUnreadable;
  }
  std::array<uint8_t, kRecognitionBytes> head{};
  {
    CFILE file;
    if (!file.Open(fileName_, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL)) {
      file.ErrorText(true);
      return Outcome::FileUnreadable;
    }
    // A file too short to hold a marker is no update file.
    if (!ReadExactly(file, head.data(), kRecognitionBytes)) head.fill(0);
  }
  bool succeeded = false;
  switch (RecogniseFirmware(head)) {
    case FirmwareFileKind::Type1: succeeded = UpdateType1(session, fileName_); break;
    case FirmwareFileKind::SysMec: succeeded = UpdateSysMec(session, fileName_); break;
    case FirmwareFileKind::None: AddLog("[UpdateFirmware] This is not a firmware update file."); break;
  }
  return succeeded ? Outcome::Succeeded : Outcome::Failed;
}

void TUpdateThread::FinishUpdate(UpdateSession& session, bool succeeded) {
  UpdateResult result = session.Canceled() ? UpdateResult::Canceled
                        : succeeded        ? UpdateResult::Done
                                           : UpdateResult::Failed;
  if (result == UpdateResult::Done) {
    AddLog("Update firmware done.");
    ui::MessageBox("Update firmware done.", ProgramName, ui::kIconInformation);
  } else if (result == UpdateResult::Failed) {
    AddLog("Update firmware  failed.");
    ui::MessageBox("Update firmware  failed.", ProgramName, ui::kIconError);
  }
  result_.store(result);
  session.UpdateEnded(result);
}
