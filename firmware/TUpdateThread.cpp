// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/TUpdateThread.h"

#include <vector>

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

void TUpdateThread::RequestQuit() { quit_.store(true); }

void TUpdateThread::Execute() {
  AddLog("\r\n[UpdateFirmware]\r\n");
  UpdateSession session(dialog_, *writer_, options_);
  session.SetQuitFlag(&quit_);
  bool succeeded;
  {
    ui::BusyCursor busy;
    Outcome outcome = UpdateFirmware(session);
    succeeded = outcome == Outcome::Succeeded;
    session.SetComment("");
    if (quit_.load()) {
      // The program quits: the drive is at a consistent point; what it holds
      // and what to do next goes to the log, nobody waits for the drive.
      AddLog("[UpdateFirmware] The program quits. " + session.DriveStateText());
    } else if (outcome != Outcome::NothingSent && !session.Canceled() &&
               session.State() != DriveState::Unchanged) {
      // The drive restarts after what it took; one that was left as it was
      // needs no re-identification.
      succeeded = ReidentifyDrive(session, writer_) && succeeded;
    }
  }
  FinishUpdate(session, succeeded);
}

TUpdateThread::Outcome TUpdateThread::UpdateFirmware(UpdateSession& session) {
  // Another maker's recorder takes its firmware from its own maker's tools:
  // nothing is sent to it.
  if (writer_->ClassCode() == MMCRECORDER::kClassCode) {
    session.ShowError("Firmware updates are for the maker's writers (QXW-7100, QXW-7200) only. " +
                      DriveName(*writer_) + " is another maker's drive: update it with its maker's tools.");
    return Outcome::NothingSent;
  }
  // The file is read once: every check and every byte sent use this copy.
  std::vector<uint8_t> bytes;
  {
    CFILE file;
    if (!file.Open(fileName_, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL)) {
      file.ErrorText(true);
      return Outcome::NothingSent;
    }
    if (!ReadWholeFile(file, bytes)) {
      if (file.Error() != CFILE::kNoError) {
        file.ErrorText(true);
      } else {
        session.ShowError(fileName_ + " is not a firmware update file: it is larger than any update file.");
      }
      return Outcome::NothingSent;
    }
  }
  switch (RecogniseFirmware(FirmwareHead(bytes))) {
    case FirmwareFileKind::Type1: return UpdateType1(session, bytes) ? Outcome::Succeeded : Outcome::Failed;
    case FirmwareFileKind::SysMec: return UpdateSysMec(session, bytes) ? Outcome::Succeeded : Outcome::Failed;
    case FirmwareFileKind::None: break;
  }
  // Said before the drive is touched at all.
  session.ShowError(fileName_ + " is not a firmware update file.");
  return Outcome::NothingSent;
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
    // A drive left in another state than before says so, with the way out.
    std::string text = "Update firmware  failed.";
    if (session.State() != DriveState::Unchanged) {
      AddLog("[UpdateFirmware] " + session.DriveStateText());
      text += "\r\n" + session.DriveStateText();
    }
    ui::MessageBox(text, ProgramName, ui::kIconError);
  }
  result_.store(result);
  session.UpdateEnded(result);
}
