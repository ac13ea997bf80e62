// firmware: the "Firmware Update" dialog without a window. The writer's
// line and the re-identified line go to the standard output; the progress
// of the two bars, the state line and the boxes to the standard error.
// --yes answers the confirmation and the power prompts; it also bounds how
// often the "not ready" question is answered Yes, so that an unattended run
// never waits forever for a drive that does not come back.
#include <chrono>
#include <iostream>
#include <memory>
#include <mutex>
#include <thread>

#include "base/TextFormat.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/ProgressJson.h"
#include "cli/Target.h"
#include "devices/DeviceLine.h"
#include "firmware/ReidentifyDrive.h"
#include "firmware/TUpdateThread.h"
#include "host/os/Interrupt.h"
#include "host/os/Platform.h"

namespace {

// How often an unattended --yes answers the retry question before the
// update stops waiting for the drive.
constexpr int kUnattendedRetries = 3;

// The dialog as lines: a line for each new percent of a bar (a JSON line
// with --progress json), the state line when it says something, and the
// device line as it changes.
class ConsoleUpdateDialog : public UpdateDialog {
 public:
  explicit ConsoleUpdateDialog(std::string writer) : writer_(std::move(writer)) {}
  void ShowProgress(UpdateBar bar, int percent) override {
    int& shown = bar == UpdateBar::Update ? updateShown_ : verifyShown_;
    if (percent == shown) return;
    shown = percent;
    if (json_ != nullptr) {
      ProgressStep step;
      step.writer = writer_;
      step.phase = bar == UpdateBar::Update ? "update" : "verify";
      step.percent = percent;
      json_->Progress(step);
      return;
    }
    host::WriteStderr(FormatText("%s %d%%\n", bar == UpdateBar::Update ? "Update" : "Verify", percent));
  }
  void SetComment(const std::string& text) override {
    if (text.empty()) return;
    host::WriteStderr(text + "\n");
    if (json_ != nullptr) json_->Comment(writer_, text);
  }
  void SetDeviceLine(const std::string& text) override { host::WriteStderr(text + "\n"); }
  void UpdateEnded(UpdateResult) override {}

 private:
  std::string writer_;
  ProgressJson* json_ = ActiveProgressJson();
  int updateShown_ = -1;
  int verifyShown_ = -1;
};

int StatusOf(UpdateResult result) {
  switch (result) {
    case UpdateResult::Done: return kExitDone;
    case UpdateResult::Canceled: return kExitCanceled;
    case UpdateResult::Failed: break;
  }
  return kExitFailed;
}

}  // namespace

int RunFirmware(const std::string& writer, const std::string& fileName, bool unattendedYes) {
  auto address = ParseAddress(writer);
  if (!address) {
    host::WriteStderr("WRITER is a SCSI address written HA,ID,LUN, such as 0,4,0.\n");
    return kExitUsage;
  }
  // As the dialog does when it opens: the bus is rescanned first.
  RescanAdapters();
  std::unique_ptr<SCSIDEV> device = OpenDevice(*address);
  if (!device) return kExitFailed;
  std::cout << WritingDeviceLine(device.get()) << std::endl;

  host::InstallInterruptHandler();
  host::ClearInterrupt();
  UpdateOptions options;
  if (unattendedYes) options.retryLimit = kUnattendedRetries;
  ConsoleUpdateDialog dialog(ProgressJson::AddressText(device->Address()));
  TUpdateThread update(dialog, fileName, device, options);
  update.Start();
  bool warned = false;
  while (!update.Finished()) {
    if (!warned && host::InterruptRequested()) {
      // The flag stays set: a second Ctrl-C ends the program at once.
      host::WriteStderr(
          "\nA firmware update cannot be canceled while it runs; a second Ctrl-C ends the program and may leave "
          "the drive unusable.\n");
      warned = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  update.WaitFor();
  // The drive as it answers after a finished update; after a failure the
  // device may be lost and the line the dialog saw last is no answer.
  if (update.Result() == UpdateResult::Done) std::cout << WritingDeviceLine(device.get()) << std::endl;
  return StatusOf(update.Result());
}
