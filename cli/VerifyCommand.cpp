// SPDX-License-Identifier: GPL-3.0-or-later
// verify DEVICE --from-record FILE | --sha256 HEX: the disc's volume against
// a record's digest and size, or against a digest with the size the disc's
// own volume check finds.
#include <memory>
#include <optional>

#include "base/Sha256.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/OperationCommand.h"
#include "cli/Target.h"
#include "host/os/Interrupt.h"
#include "host/os/Platform.h"
#include "operation/RecordVerify.h"

namespace {

struct VerifyArguments {
  std::string device;
  std::string fromRecord;
  std::string sha256;
  std::string record;
};

int RunVerify(const VerifyArguments& arguments) {
  if (arguments.fromRecord.empty() == arguments.sha256.empty())
    return UsageError("verify compares the disc with --from-record FILE or with --sha256 HEX: one of them is needed.");
  auto address = ParseAddress(arguments.device);
  if (!address) return UsageError("DEVICE is a SCSI address written HA,ID,LUN.");
  // What the disc is compared with is read before the drive is touched: a
  // record that cannot be used is a mistake of the command line.
  std::string error;
  std::optional<OperationRequest> request;
  if (!arguments.fromRecord.empty()) {
    request = RecordVerifyRequest(arguments.fromRecord, error);
    if (!request) return UsageError(error);
  } else if (!Sha256::FromHex(arguments.sha256)) {
    return UsageError("--sha256 takes the volume's SHA-256: 64 hexadecimal digits.");
  }
  host::InstallInterruptHandler();

  std::unique_ptr<SCSIDEV> device = OpenDeviceAs(*address, AddressRole::CopySource);
  if (CanceledBeforeStart()) return kExitCanceled;
  if (!device) return kExitFailed;
  if (!request) {
    // The size is what the disc's own volume check finds.
    VolumeInfo volume;
    bool checked = CheckSource(Endpoint(*device), std::nullopt, volume);
    if (CanceledBeforeStart()) return kExitCanceled;
    if (!checked) return kExitFailed;
    request = DigestVerifyRequest(arguments.sha256, volume.volumeSize, error);
    if (!request) {
      host::WriteStderr(error + "\n");
      return kExitFailed;
    }
    request->volume.volumeName = volume.volumeName;
  }
  request->destination = Endpoint(*device);
  request->recordFile = arguments.record;
  return RunOperationRequest(*request, request->volume.volumeSize);
}

}  // namespace

void AddVerifyCommand(CommandSet& commands) {
  auto arguments = std::make_shared<VerifyArguments>();
  CLI::App* verify =
      commands.Add("verify", "Verify a disc against a disc record or a SHA-256, without the source",
                   [arguments](const GlobalOptions&) { return RunVerify(*arguments); });
  verify->add_option("DEVICE", arguments->device, "HA,ID,LUN of the drive holding the disc")->required();
  auto* fromRecord =
      verify->add_option("--from-record", arguments->fromRecord, "The disc record (its SHA-256 and size)");
  auto* sha256 = verify->add_option("--sha256", arguments->sha256,
                                    "The volume's SHA-256 (64 hexadecimal digits); the size is the disc's own");
  fromRecord->excludes(sha256);
  AddRecordOption(*verify, arguments->record, "Write the disc record of this verify to this file");
}
