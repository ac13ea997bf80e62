// SPDX-License-Identifier: GPL-3.0-or-later
// The operations of the operation dialog for write, copy, pattern and
// verify, with the console standing in for the dialog and Ctrl-C for its
// Cancel button. The command line becomes an operation request; the core
// does the rest. The volume's SHA-256 and the disc record's place are
// printed at the end.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <iostream>
#include <memory>
#include <mutex>
#include <thread>

#include "base/NumberText.h"
#include "base/TextFormat.h"
#include "cli/ByteCount.h"
#include "cli/ConsoleDialog.h"
#include "cli/ExitStatus.h"
#include "cli/OperationCommand.h"
#include "cli/ProgressJson.h"
#include "cli/SeveralDialog.h"
#include "cli/Target.h"
#include "host/os/Interrupt.h"
#include "host/os/Platform.h"
#include "host/ui/MessageBox.h"
#include "host/ui/TerminalText.h"
#include "operation/OperationRequest.h"
#include "operation/SeveralWriters.h"
#include "operation/TOperationThread.h"
#include "volume/CheckHeader.h"
#include "volume/VolSizeChoice.h"

namespace {

// Passes the boxes of an operation on to the console, ending an open
// progress bar line first, so that a box never continues it. A question that
// Ctrl-C abandoned returns to the operation only once the operation has been
// told to cancel, so that it never takes the cautious answer for a choice.
class OperationBoxes : public ui::Backend {
 public:
  OperationBoxes(ui::Backend& inner, std::function<void()> breakLine, std::function<void()> cancel)
      : inner_(inner), breakLine_(std::move(breakLine)), cancel_(std::move(cancel)) {}
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
    breakLine_();
    int answer = inner_.MessageBox(text, caption, flags);
    if (host::InterruptRequested()) cancel_();
    return answer;
  }

 private:
  ui::Backend& inner_;
  std::function<void()> breakLine_;
  std::function<void()> cancel_;
};

}  // namespace

int UsageError(const std::string& text) {
  host::WriteStderr(text + "\n");
  return kExitUsage;
}

namespace {

int StatusOf(const OperationOutcome& outcome) {
  if (outcome.DifferencesFound() && outcome.result != OperationResult::Canceled) return kExitDifferences;
  switch (outcome.result) {
    case OperationResult::Done: return kExitDone;
    case OperationResult::Differences: return kExitDifferences;
    case OperationResult::Canceled: return kExitCanceled;
    case OperationResult::Failed:
    case OperationResult::ErrorShown: return kExitFailed;
  }
  return kExitFailed;
}

// Waits until the operation has finished; Ctrl-C asks it to stop as Cancel
// does. waitFinished(limit) waits at most limit and says whether it has: the
// end is seen at once, and an interrupt within a twentieth of a second.
void WatchForCtrlC(const std::function<bool(std::chrono::milliseconds)>& waitFinished,
                   const std::function<void()>& cancel) {
  constexpr std::chrono::milliseconds kLook{50};
  bool cancelAsked = false;
  while (!waitFinished(kLook)) {
    if (!cancelAsked && host::InterruptRequested()) {
      // The operation ends at its next cancel test, which may have to wait
      // for a command the drive is still busy with (a leadout, a hung drive).
      host::WriteStderr(
          "\nCanceling... The program waits for the drive to finish its current command.\n"
          "Press Ctrl-C again to quit at once (the disc may then stay locked in the drive).\n");
      cancel();
      cancelAsked = true;
    }
  }
}

}  // namespace

// Runs the operation to its end.
int RunOperationRequest(const OperationRequest& request, uint64_t volumeSize) {
  ConsoleDialog dialog(volumeSize, host::StderrIsTerminal());
  TOperationThread operation(dialog, request);
  // Read on the operation thread, where the dialog's notifications run.
  dialog.FollowPassBytes([&operation] { return operation.VolumeSize(); });
  // The disc side, as the pass reports name it: the destination device, else
  // the source device.
  const SCSIDEV* disc = request.destination.IsDevice() ? request.destination.device : request.source.device;
  dialog.NameWriter(disc != nullptr ? ProgressJson::AddressText(disc->Address()) : "");
  OperationBoxes boxes(*ui::CurrentBackend(), [&dialog] { dialog.BreakLine(); }, [&operation] { operation.Terminate(); });
  ui::ScopedBackend scope(boxes);
  operation.Start();
  WatchForCtrlC([&operation](std::chrono::milliseconds limit) { return operation.WaitFinished(limit); },
                [&operation] { operation.Terminate(); });
  operation.WaitFor();
  const OperationOutcome outcome = operation.Outcome();
  if (!outcome.sha256.empty()) std::cout << "SHA-256: " << outcome.sha256 << std::endl;
  if (!outcome.recordFile.empty()) std::cout << "Record: " << outcome.recordFile << std::endl;
  return StatusOf(outcome);
}

namespace {

// Several writers: 0 only when every disc is done; 1 when any failed, else
// 4 when any verify found differences, else 3 when any was canceled.
int StatusOf(const std::vector<WriterOutcome>& outcomes) {
  bool failed = false, differed = false, canceled = false;
  for (const WriterOutcome& writer : outcomes) {
    const OperationResult result = writer.outcome.result;
    failed |= result == OperationResult::Failed || result == OperationResult::ErrorShown;
    canceled |= result == OperationResult::Canceled;
    differed |= result != OperationResult::Canceled && writer.outcome.DifferencesFound();
  }
  return failed ? kExitFailed : differed ? kExitDifferences : canceled ? kExitCanceled : kExitDone;
}

// Runs the operation over several writers to its end.
int RunSeveral(const SeveralWritersRequest& request) {
  std::vector<std::string> names;
  for (SCSIDEV* writer : request.writers) names.push_back(Endpoint(*writer).Describe());
  SeveralDialog dialog(names, host::StderrIsTerminal());
  SeveralWriters operation(dialog, request);
  OperationBoxes boxes(*ui::CurrentBackend(), [&dialog] { dialog.BreakLine(); }, [&operation] { operation.CancelAll(); });
  ui::ScopedBackend scope(boxes);
  if (!operation.Start()) return kExitFailed;
  WatchForCtrlC([&operation](std::chrono::milliseconds limit) { return operation.WaitFinished(limit); },
                [&operation] { operation.CancelAll(); });
  operation.WaitFor();
  // The volume's digest once (every writer read the same bytes), and where
  // each disc's record went.
  std::string digest;
  for (const WriterOutcome& writer : operation.Outcomes()) {
    if (digest.empty() && !writer.outcome.sha256.empty()) {
      digest = writer.outcome.sha256;
      std::cout << "SHA-256: " << digest << std::endl;
    }
  }
  for (const WriterOutcome& writer : operation.Outcomes())
    if (!writer.outcome.recordFile.empty()) std::cout << "Record: " << writer.outcome.recordFile << std::endl;
  return StatusOf(operation.Outcomes());
}

}  // namespace

// Ctrl-C (or SIGTERM) before the operation has started: nothing has been
// touched, so the program ends at once as a cancel ends it.
bool CanceledBeforeStart() {
  if (!host::InterruptRequested()) return false;
  host::WriteStderr("\nCanceled before the operation started.\n");
  return true;
}

namespace {

// While it lives, a thread that answers Ctrl-C with "Canceling..." and,
// when the work goes on for another second, says that the program waits
// for the drive's current command.
class InterruptWatch {
 public:
  InterruptWatch()
      : thread_([this] {
          // Looks for an interrupt every kPoll; the end of the work wakes it
          // at once, so that the watch never holds the work up.
          while (!Ended(kPoll) && !host::InterruptRequested()) {
          }
          // An interrupt is answered even when the work ended at once on it.
          if (!host::InterruptRequested()) return;
          host::WriteStderr("\nCanceling...\n");
          if (!Ended(std::chrono::seconds(1))) {
            host::WriteStderr(
                "The program waits for the drive to finish its current command.\n"
                "Press Ctrl-C again to quit at once.\n");
          }
        }) {}
  ~InterruptWatch() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

 private:
  static constexpr std::chrono::milliseconds kPoll{20};
  // True once the work has ended, waiting at most limit for it.
  template <typename Duration>
  bool Ended(Duration limit) {
    std::unique_lock lock(mutex_);
    return wake_.wait_for(lock, limit, [this] { return done_; });
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
  std::thread thread_;
};

}  // namespace

// The volume of the source as the check finds it, with --size applied;
// prints what will be transferred.
bool CheckSource(const Endpoint& source, const std::optional<uint64_t>& size, VolumeInfo& volume) {
  host::WriteStderr("Checking " + ui::TerminalText(source.Describe()) + " ...\n");
  VolSizeChoice sizes;
  bool ok = false;
  {
    // The check ends at its next read after Ctrl-C; this says so at once,
    // and that the program waits when the drive's command takes longer.
    InterruptWatch watch;
    ok = source.IsDevice() ? CheckHeader(*source.device, sizes, volume) : CheckHeader(source.file, sizes, volume);
  }
  if (!ok) return false;
  if (size) OverrideVolumeSize(volume, *size);
  host::WriteStderr(FormatText("Volume \"%s\": %s bytes (%llu sectors) at offset %u\n",
                               ui::TerminalText(volume.volumeName).c_str(),
                               FormatNumber(volume.volumeSize).c_str(),
                               static_cast<unsigned long long>(CeilDiv64(volume.volumeSize, 2048)),
                               volume.volumeOffset));
  return true;
}

namespace {

// The device behind an argument when it names one that may play the role.
// False when it names a device that cannot (a message has said why).
bool OpenSide(const Target& target, AddressRole role, std::unique_ptr<SCSIDEV>& device, Endpoint& side) {
  if (!target.error.empty()) {
    host::WriteStderr(target.error + "\n");
    return false;
  }
  if (!target.IsDevice()) {
    side = Endpoint(target.path);
    return true;
  }
  device = OpenDeviceAs(*target.address, role);
  if (!device) return false;
  side = Endpoint(*device);
  return true;
}

// --yes answers the question about a source cut short only when --size
// says that its short size is meant: true (with the message) otherwise.
bool RefusesShortSource(const OperationArguments& arguments, const Endpoint& source, const VolumeInfo& volume) {
  if (!arguments.yes || arguments.size || volume.declaredSize <= volume.volumeSize) return false;
  host::WriteStderr(ui::TerminalText(ShortSourceText(source.Describe(), volume.volumeSize, volume.declaredSize)) +
                    "\nNothing was written: give --size " + std::to_string(volume.volumeSize) +
                    " to write what the source holds.\n");
  return true;
}

// write SOURCE W1 W2 ...: the writers are opened and the source checked as
// for one writer, then all record at once.
int RunSeveralWriters(const OperationArguments& arguments, Operation operation) {
  SeveralWritersRequest request;
  request.operation = operation;
  std::unique_ptr<SCSIDEV> sourceDevice;
  std::vector<std::unique_ptr<SCSIDEV>> writers;
  // The record of each disc goes to the records folder: one --record file
  // cannot hold them all.
  if (!arguments.record.empty())
    return UsageError("--record names the file of one disc's record: with several writers each disc's record goes to "
                 "the records folder.");
  bool opened = OpenSide(ParseTarget(arguments.source), AddressRole::WriteSource, sourceDevice, request.source);
  for (size_t i = 0; opened && i < arguments.writers.size(); ++i) {
    const std::string& text = arguments.writers[i];
    Target writer = ParseTarget(text);
    if (!writer.IsDevice() && writer.error.empty())
      return UsageError("WRITER is a SCSI address written HA,ID,LUN (or /dev/sgN, /dev/srN with --manager sg).");
    for (size_t j = 0; j < i; ++j) {
      if (writer.Describe() == ParseTarget(arguments.writers[j]).Describe())
        return UsageError(writer.Describe() + " is named more than once.");
    }
    Endpoint side;
    writers.emplace_back();
    opened = OpenSide(writer, AddressRole::Writer, writers.back(), side);
    if (opened) request.writers.push_back(side.device);
  }
  if (CanceledBeforeStart()) return kExitCanceled;
  if (!opened) return kExitFailed;
  bool checked = CheckSource(request.source, arguments.size, request.volume);
  if (CanceledBeforeStart()) return kExitCanceled;
  if (!checked) return kExitFailed;
  if (RefusesShortSource(arguments, request.source, request.volume)) return kExitFailed;
  return RunSeveral(request);
}

}  // namespace

int RunOperation(const OperationArguments& arguments) {
  const bool copyFamily = arguments.command == "copy";
  std::optional<Operation> chosen =
      OperationNamed(copyFamily ? OperationFamily::Copy : OperationFamily::Write, arguments.mode);
  if (!chosen) return UsageError("Unknown --mode \"" + arguments.mode + "\".");
  host::InstallInterruptHandler();

  if (arguments.command == "pattern") {
    auto address = ParseDeviceArgument(arguments.destination, "WRITER");
    if (!address) return kExitUsage;
    auto writer = OpenDeviceAs(*address, AddressRole::Writer);
    if (CanceledBeforeStart()) return kExitCanceled;
    if (!writer) return kExitFailed;
    // The pattern size is the volume size the dialog holds at Start.
    return RunOperationRequest(OperationRequest::Pattern(*chosen, *writer), arguments.size.value_or(0));
  }

  if (arguments.writers.size() > 1) return RunSeveralWriters(arguments, *chosen);

  Target source = ParseTarget(arguments.source);
  Target destination = ParseTarget(arguments.destination);
  if (!copyFamily && !destination.IsDevice() && destination.error.empty())
    return UsageError("WRITER is a SCSI address written HA,ID,LUN (or /dev/sgN, /dev/srN with --manager sg).");

  OperationRequest request;
  request.operation = *chosen;
  std::unique_ptr<SCSIDEV> sourceDevice, destinationDevice;
  bool opened =
      OpenSide(source, copyFamily ? AddressRole::CopySource : AddressRole::WriteSource, sourceDevice,
               request.source) &&
      OpenSide(destination, copyFamily ? AddressRole::CopyDestination : AddressRole::Writer, destinationDevice,
               request.destination);
  if (CanceledBeforeStart()) return kExitCanceled;
  if (!opened) return kExitFailed;
  bool checked = CheckSource(request.source, arguments.size, request.volume);
  // The check may take a while on a slow drive, and a question it asks is
  // abandoned by Ctrl-C: either way the interrupt is not forgotten.
  if (CanceledBeforeStart()) return kExitCanceled;
  if (!checked || !SidesDiffer(request)) return kExitFailed;
  if (CanceledBeforeStart()) return kExitCanceled;
  if (RefusesShortSource(arguments, request.source, request.volume)) return kExitFailed;
  request.recordFile = arguments.record;
  return RunOperationRequest(request, request.volume.volumeSize);
}

CLI::Option* AddSizeOption(CLI::App& command, std::optional<uint64_t>& size, const std::string& description) {
  return command.add_option("--size", size, description)->check(ByteCount());
}

CLI::Option* AddRecordOption(CLI::App& command, std::string& record, const std::string& description) {
  return command.add_option("--record", record, description);
}
