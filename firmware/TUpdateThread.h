// SPDX-License-Identifier: GPL-3.0-or-later
// TUpdateThread: one firmware update on a thread of its own. It recognises
// the update file, runs the procedure of its kind (SYS/MEC for the QXW-7100,
// TYPE1 for the QXW-7200), re-identifies the drive once it is back, and
// shows the result box ("Update firmware done." or "Update firmware
// failed."); then it tells its dialog that the update has ended.
//
// The writer is the slot of the object the window (or front end) owns: when
// the drive needs another device class after the update, the slot gets a
// new object from the factory. The slot must hold a device and outlive the
// thread.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "firmware/UpdateDialog.h"
#include "firmware/UpdateSession.h"
#include "host/os/Thread.h"

class SCSIDEV;

class TUpdateThread : public host::Thread {
 public:
  TUpdateThread(UpdateDialog& dialog, std::string fileName, std::unique_ptr<SCSIDEV>& writer,
                UpdateOptions options = {});
  ~TUpdateThread() override;

  // How the update ended; valid once Finished().
  UpdateResult Result() const { return result_.load(); }
  // The program quits (a signal): the update cannot be canceled, so it goes
  // on to the next point where the drive is consistent (nothing sent yet, or
  // everything committed and the power cycle due, whose prompts are not
  // shown), logs what the drive holds and what to do, and ends there. Any
  // thread may call it.
  void RequestQuit();

 protected:
  void Execute() override;

 private:
  enum class Outcome { NothingSent, Failed, Succeeded };
  // The procedure for the file; Failed also when it was canceled.
  Outcome UpdateFirmware(UpdateSession& session);
  void FinishUpdate(UpdateSession& session, bool succeeded);

  UpdateDialog& dialog_;
  const std::string fileName_;
  std::unique_ptr<SCSIDEV>& writer_;
  const UpdateOptions options_;
  std::atomic<UpdateResult> result_{UpdateResult::Failed};
  std::atomic<bool> quit_{false};
};
