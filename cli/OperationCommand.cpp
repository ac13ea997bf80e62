// write, copy and pattern: the operations of the operation dialog, with the
// console standing in for the dialog and Ctrl-C for its Cancel button.
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "cli/Commands.h"
#include "cli/ConsoleDialog.h"
#include "cli/ExitStatus.h"
#include "cli/Target.h"
#include "host/os/Interrupt.h"
#include "host/os/Platform.h"
#include "host/ui/MessageBox.h"
#include "transfer/TOperationThread.h"
#include "volume/CheckHeader.h"
#include "volume/VolSizeChoice.h"

namespace {

struct ModeCode {
  const char* mode;
  uint16_t code;
};
// The operation lists of the operation dialog, by the names scripts use.
constexpr ModeCode kWriteModes[] = {{"test", 0x84},         {"write", 0x82},      {"test-write", 0x86},
                                    {"write-verify", 0x83}, {"test-write-verify", 0x87}, {"verify", 0x81}};
constexpr ModeCode kCopyModes[] = {{"copy", 0x08}, {"copy-verify", 0x09}, {"verify", 0x01}};

template <size_t N>
std::optional<uint16_t> CodeOf(const ModeCode (&table)[N], const std::string& mode) {
  for (const ModeCode& entry : table) {
    if (mode == entry.mode) return entry.code;
  }
  return std::nullopt;
}

// Watches the boxes on their way to the console: a verify that found
// differences ends with its own status, whatever the answer was, and a box
// never continues a progress bar's line.
class DifferenceWatch : public ui::Backend {
 public:
  explicit DifferenceWatch(ui::Backend& inner) : inner_(inner) {}
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
    if (text.rfind("Verify: Data are different at ", 0) == 0) found_ = true;
    if (dialog_) dialog_->BreakLine();
    return inner_.MessageBox(text, caption, flags);
  }
  bool Found() const { return found_; }
  void Follow(ConsoleDialog* dialog) { dialog_ = dialog; }

 private:
  ui::Backend& inner_;
  ConsoleDialog* dialog_ = nullptr;
  bool found_ = false;
};

int Usage(const std::string& text) {
  host::WriteStderr(text + "\n");
  return kExitUsage;
}

int StatusOf(OperationResult result, bool differences) {
  if (differences && result != OperationResult::Canceled) return kExitDifferences;
  switch (result) {
    case OperationResult::Done: return kExitDone;
    case OperationResult::Canceled: return kExitCanceled;
    case OperationResult::Failed:
    case OperationResult::ErrorShown: return kExitFailed;
  }
  return kExitFailed;
}

// Runs the operation to its end; Ctrl-C asks it to stop as Cancel does.
int Run(TOperationThread& operation, ConsoleDialog& dialog, DifferenceWatch& watch) {
  watch.Follow(&dialog);
  host::ClearInterrupt();
  operation.Start();
  bool cancelAsked = false;
  while (!operation.Finished()) {
    if (!cancelAsked && host::InterruptRequested()) {
      host::WriteStderr("\nCanceling...\n");
      operation.Terminate();
      cancelAsked = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  operation.WaitFor();
  watch.Follow(nullptr);
  return StatusOf(dialog.Result(), watch.Found());
}

struct Volume {
  VolumeInfo info;
  bool ok = false;
};

Volume CheckSource(const Target& source, SCSIDEV* device, const std::optional<uint64_t>& size) {
  Volume volume;
  VolSizeChoice sizes;
  volume.ok = device ? CheckHeader(*device, sizes, volume.info) : CheckHeader(source.path, sizes, volume.info);
  if (volume.ok && size) {
    volume.info.volumeSize = *size;
    volume.info.lbCount = static_cast<uint32_t>(CeilDiv64(*size, 2048));
  }
  if (volume.ok) {
    char line[160];
    std::snprintf(line, sizeof line, "Volume \"%s\": %s bytes (%u sectors) at offset %u\n",
                  volume.info.volumeName.c_str(), FormatNumber(volume.info.volumeSize).c_str(), volume.info.lbCount,
                  volume.info.volumeOffset);
    host::WriteStderr(line);
  }
  return volume;
}

}  // namespace

int RunOperation(const OperationRequest& request) {
  const bool copyFamily = request.command == "copy";
  std::optional<uint16_t> code = copyFamily ? CodeOf(kCopyModes, request.mode) : CodeOf(kWriteModes, request.mode);
  if (!code) return Usage("Unknown --mode \"" + request.mode + "\".");
  host::InstallInterruptHandler();

  ui::Backend* console = ui::CurrentBackend();
  DifferenceWatch watch(*console);
  ui::ScopedBackend watching(watch);
  const bool terminal = host::StderrIsTerminal();

  if (request.command == "pattern") {
    auto address = ParseAddress(request.destination);
    if (!address) return Usage("WRITER is a SCSI address written HA,ID,LUN.");
    auto writer = OpenDeviceAs(*address, Role::Writer);
    if (!writer) return kExitFailed;
    uint64_t size = request.size.value_or(0);
    ConsoleDialog dialog(size, terminal);
    TOperationThread operation(dialog, *writer, *code, static_cast<uint32_t>(CeilDiv64(size, 2048)));
    return Run(operation, dialog, watch);
  }

  Target source = ParseTarget(request.source);
  Target destination = ParseTarget(request.destination);
  if (!copyFamily && !destination.IsDevice()) return Usage("WRITER is a SCSI address written HA,ID,LUN.");

  std::unique_ptr<SCSIDEV> sourceDevice, destinationDevice;
  if (source.IsDevice()) {
    sourceDevice = OpenDeviceAs(*source.address, copyFamily ? Role::CopySource : Role::WriteSource);
    if (!sourceDevice) return kExitFailed;
  }
  if (destination.IsDevice()) {
    destinationDevice = OpenDeviceAs(*destination.address, copyFamily ? Role::CopyDestination : Role::Writer);
    if (!destinationDevice) return kExitFailed;
  }
  Volume volume = CheckSource(source, sourceDevice.get(), request.size);
  if (!volume.ok) return kExitFailed;
  if (!source.IsDevice() && !destination.IsDevice() && source.path == destination.path) {
    ui::MessageBox("Sorce file is same with destination file.", ProgramName, ui::kIconError);
    return kExitFailed;
  }

  const VolumeInfo& info = volume.info;
  ConsoleDialog dialog(info.volumeSize, terminal);
  std::unique_ptr<TOperationThread> operation;
  if (sourceDevice && destinationDevice) {
    operation = std::make_unique<TOperationThread>(dialog, *sourceDevice, *code, info.volumeOffset, info.volumeSize,
                                                   info.volumeName, *destinationDevice);
  } else if (sourceDevice) {
    operation = std::make_unique<TOperationThread>(dialog, *sourceDevice, *code, info.volumeOffset, info.volumeSize,
                                                   info.volumeName, destination.path);
  } else if (destinationDevice) {
    operation = std::make_unique<TOperationThread>(dialog, source.path, *code, info.volumeOffset, info.volumeSize,
                                                   info.volumeName, *destinationDevice);
  } else {
    operation = std::make_unique<TOperationThread>(dialog, source.path, *code, info.volumeOffset, info.volumeSize,
                                                   info.volumeName, destination.path);
  }
  return Run(*operation, dialog, watch);
}
