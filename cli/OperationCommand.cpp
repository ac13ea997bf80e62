// write, copy and pattern: the operations of the operation dialog, with the
// console standing in for the dialog and Ctrl-C for its Cancel button. The
// command line becomes an operation request; the core does the rest.
#include <chrono>
#include <memory>
#include <thread>

#include "base/NumberText.h"
#include "base/TextFormat.h"
#include "cli/Commands.h"
#include "cli/ConsoleDialog.h"
#include "cli/ExitStatus.h"
#include "cli/ProgressJson.h"
#include "cli/Target.h"
#include "host/os/Interrupt.h"
#include "host/os/Platform.h"
#include "host/ui/MessageBox.h"
#include "host/ui/TerminalText.h"
#include "transfer/OperationRequest.h"
#include "transfer/TOperationThread.h"
#include "volume/CheckHeader.h"
#include "volume/VolSizeChoice.h"

namespace {

// Passes the boxes of an operation on to the console, ending an open
// progress bar line first, so that a box never continues it. A question that
// Ctrl-C abandoned returns to the operation only once the operation has been
// told to cancel, so that it never takes the cautious answer for a choice.
class OperationBoxes : public ui::Backend {
 public:
  OperationBoxes(ui::Backend& inner, ConsoleDialog& dialog, TOperationThread& operation)
      : inner_(inner), dialog_(dialog), operation_(operation) {}
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
    dialog_.BreakLine();
    int answer = inner_.MessageBox(text, caption, flags);
    if (host::InterruptRequested()) operation_.Terminate();
    return answer;
  }

 private:
  ui::Backend& inner_;
  ConsoleDialog& dialog_;
  TOperationThread& operation_;
};

int Usage(const std::string& text) {
  host::WriteStderr(text + "\n");
  return kExitUsage;
}

int StatusOf(const OperationOutcome& outcome) {
  if (outcome.DifferencesFound() && outcome.result != OperationResult::Canceled) return kExitDifferences;
  switch (outcome.result) {
    case OperationResult::Done: return kExitDone;
    case OperationResult::Canceled: return kExitCanceled;
    case OperationResult::Failed:
    case OperationResult::ErrorShown: return kExitFailed;
  }
  return kExitFailed;
}

// Runs the operation to its end; Ctrl-C asks it to stop as Cancel does.
int Run(const OperationRequest& request, uint64_t volumeSize) {
  ConsoleDialog dialog(volumeSize, host::StderrIsTerminal());
  TOperationThread operation(dialog, request);
  // Read on the operation thread, where the dialog's notifications run.
  dialog.FollowPassBytes([&operation] { return operation.VolumeSize(); });
  // The disc side, as the pass reports name it: the destination device, else
  // the source device.
  const SCSIDEV* disc = request.destination.IsDevice() ? request.destination.device : request.source.device;
  dialog.NameWriter(disc != nullptr ? ProgressJson::AddressText(disc->Address()) : "");
  OperationBoxes boxes(*ui::CurrentBackend(), dialog, operation);
  ui::ScopedBackend scope(boxes);
  operation.Start();
  bool cancelAsked = false;
  while (!operation.Finished()) {
    if (!cancelAsked && host::InterruptRequested()) {
      // The operation ends at its next cancel test, which may have to wait
      // for a command the drive is still busy with (a leadout, a hung drive).
      host::WriteStderr(
          "\nCanceling... The program waits for the drive to finish its current command.\n"
          "Press Ctrl-C again to quit at once (the disc may then stay locked in the drive).\n");
      operation.Terminate();
      cancelAsked = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  operation.WaitFor();
  return StatusOf(operation.Outcome());
}

// Ctrl-C (or SIGTERM) before the operation has started: nothing has been
// touched, so the program ends at once as a cancel ends it.
bool CanceledBeforeStart() {
  if (!host::InterruptRequested()) return false;
  host::WriteStderr("\nCanceled before the operation started.\n");
  return true;
}

// The volume of the source as the check finds it, with --size applied;
// prints what will be transferred.
bool CheckSource(const Endpoint& source, const std::optional<uint64_t>& size, VolumeInfo& volume) {
  host::WriteStderr("Checking " + source.Describe() + " ...\n");
  VolSizeChoice sizes;
  bool ok = source.IsDevice() ? CheckHeader(*source.device, sizes, volume) : CheckHeader(source.file, sizes, volume);
  if (!ok) return false;
  if (size) OverrideVolumeSize(volume, *size);
  host::WriteStderr(FormatText("Volume \"%s\": %s bytes (%llu sectors) at offset %u\n",
                               ui::TerminalText(volume.volumeName).c_str(),
                               FormatNumber(volume.volumeSize).c_str(),
                               static_cast<unsigned long long>(CeilDiv64(volume.volumeSize, 2048)),
                               volume.volumeOffset));
  return true;
}

// The device behind an argument when it names one that may play the role.
// False when it names a device that cannot (a message has said why).
bool OpenSide(const Target& target, Role role, std::unique_ptr<SCSIDEV>& device, Endpoint& side) {
  if (!target.IsDevice()) {
    side = Endpoint(target.path);
    return true;
  }
  device = OpenDeviceAs(*target.address, role);
  if (!device) return false;
  side = Endpoint(*device);
  return true;
}

}  // namespace

int RunOperation(const OperationArguments& arguments) {
  const bool copyFamily = arguments.command == "copy";
  std::optional<Operation> chosen =
      OperationNamed(copyFamily ? OperationFamily::Copy : OperationFamily::Write, arguments.mode);
  if (!chosen) return Usage("Unknown --mode \"" + arguments.mode + "\".");
  host::InstallInterruptHandler();

  if (arguments.command == "pattern") {
    auto address = ParseAddress(arguments.destination);
    if (!address) return Usage("WRITER is a SCSI address written HA,ID,LUN.");
    auto writer = OpenDeviceAs(*address, Role::Writer);
    if (CanceledBeforeStart()) return kExitCanceled;
    if (!writer) return kExitFailed;
    // The pattern size is the volume size the dialog holds at Start.
    return Run(OperationRequest::Pattern(*chosen, *writer), arguments.size.value_or(0));
  }

  Target source = ParseTarget(arguments.source);
  Target destination = ParseTarget(arguments.destination);
  if (!copyFamily && !destination.IsDevice()) return Usage("WRITER is a SCSI address written HA,ID,LUN.");

  OperationRequest request;
  request.operation = *chosen;
  std::unique_ptr<SCSIDEV> sourceDevice, destinationDevice;
  bool opened =
      OpenSide(source, copyFamily ? Role::CopySource : Role::WriteSource, sourceDevice, request.source) &&
      OpenSide(destination, copyFamily ? Role::CopyDestination : Role::Writer, destinationDevice,
               request.destination);
  if (CanceledBeforeStart()) return kExitCanceled;
  if (!opened) return kExitFailed;
  bool checked = CheckSource(request.source, arguments.size, request.volume);
  // The check may take a while on a slow drive, and a question it asks is
  // abandoned by Ctrl-C: either way the interrupt is not forgotten.
  if (CanceledBeforeStart()) return kExitCanceled;
  if (!checked || !SidesDiffer(request)) return kExitFailed;
  if (CanceledBeforeStart()) return kExitCanceled;
  return Run(request, request.volume.volumeSize);
}
