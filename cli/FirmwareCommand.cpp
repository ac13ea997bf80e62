// SPDX-License-Identifier: GPL-3.0-or-later
// firmware: the "Firmware Update" dialog without a window. The writer's
// line and the re-identified line go to the standard output; the progress
// of the two bars, the state line and the boxes to the standard error.
// --yes answers the confirmation and the power prompts; it also bounds how
// often the "not ready" question is answered Yes, so that an unattended run
// never waits forever for a drive that does not come back.
#include <array>
#include <chrono>
#include <iostream>
#include <memory>
#include <mutex>
#include <thread>

#include "base/CFILE.h"
#include "base/ProgramIdentity.h"
#include "base/TextFormat.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/ProgressJson.h"
#include "cli/Target.h"
#include "devices/DeviceLine.h"
#include "firmware/ReidentifyDrive.h"
#include "firmware/TUpdateThread.h"
#include "firmware/format/FirmwareFile.h"
#include "host/os/ConsoleInput.h"
#include "host/os/Interrupt.h"
#include "host/os/Platform.h"
#include "host/ui/MessageBox.h"
#include "host/ui/TerminalText.h"

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

// The power prompts ask the person to do something with the drive: on a
// terminal they wait until Enter says it is done (other boxes only inform).
// Without a terminal --yes stands for the person, as before.
class PromptWaits : public ui::Backend {
 public:
  explicit PromptWaits(ui::Backend& inner) : inner_(inner) {}
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
    int answer = inner_.MessageBox(text, caption, flags);
    const bool prompt = flags == ui::kOk && caption == ProgramName;
    if (prompt && host::StdinIsTerminal() && !host::InterruptRequested()) {
      host::WriteStderr("Press Enter when done. ");
      std::string line;
      host::ReadStdinLine(line);
    }
    return answer;
  }

 private:
  ui::Backend& inner_;
};

// The first bytes of the file name one of the two kinds of update file; a
// file that cannot be read is left to the update, which says why.
bool LooksLikeUpdateFile(const std::string& fileName) {
  CFILE file;
  if (!file.Open(fileName, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL)) return true;
  std::array<uint8_t, kRecognitionBytes> head{};
  uint32_t got = 0;
  file.Read(head.data(), kRecognitionBytes, &got);
  if (RecogniseFirmware(head) != FirmwareFileKind::None) return true;
  host::WriteStderr(ui::TerminalText(fileName) + " is not a firmware update file.\n");
  return false;
}

int StatusOf(UpdateResult result) {
  switch (result) {
    case UpdateResult::Done: return kExitDone;
    case UpdateResult::Canceled: return kExitCanceled;
    case UpdateResult::Failed: break;
  }
  return kExitFailed;
}

int RunFirmware(const std::string& writer, const std::string& fileName, bool unattendedYes) {
  auto address = ParseDeviceArgument(writer, "WRITER");
  if (!address) return kExitUsage;
  // A file that is no update file is refused before the bus or the drive is
  // touched at all.
  if (!LooksLikeUpdateFile(fileName)) return kExitFailed;
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
  PromptWaits prompts(*ui::CurrentBackend());
  ui::ScopedBackend scope(prompts);
  TUpdateThread update(dialog, fileName, device, options);
  update.Start();
  bool warned = false;
  while (!update.Finished()) {
    if (!warned && host::InterruptRequested()) {
      // The flag stays set: a second Ctrl-C ends the program at once.
      host::WriteStderr(
          "\nA firmware update cannot be canceled while it runs: it goes on to the next point where the drive is "
          "consistent, stops there and says what the drive holds. A second Ctrl-C ends the program at once and may "
          "leave the drive unusable.\n");
      update.RequestQuit();
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

}  // namespace

void AddFirmwareCommand(CommandSet& commands) {
  struct Arguments {
    std::string writer;
    std::string file;
  };
  auto arguments = std::make_shared<Arguments>();
  CLI::App* firmware =
      commands.Add("firmware", "Update a writer's firmware from an update file", [arguments](const GlobalOptions& global) {
        // --yes answers the retry question Yes only a few times.
        return RunFirmware(arguments->writer, arguments->file, global.yes);
      });
  firmware->add_option("WRITER", arguments->writer, "HA,ID,LUN of the writer")->required();
  firmware->add_option("FILE", arguments->file, "The update file")->required();
}
