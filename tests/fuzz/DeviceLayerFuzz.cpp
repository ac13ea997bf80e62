// SPDX-License-Identifier: GPL-3.0-or-later
// The device layer over a SCSI manager whose drives answer arbitrary bytes
// (AnswerManager.h): the factory of the scan (INQUIRY, the class, the writer
// probe's MODE SENSE, READ CAPACITY), the capacity and free space, the volume
// check of the device (its reads), what an MMC drive says of its disc (GET
// CONFIGURATION, READ DISC and TRACK INFORMATION, READ DVD STRUCTURE), and a
// tape's read; sense data, statuses and busy answers come from the input too.
//
// Whatever the answers, nothing may read or write outside a buffer (the
// sanitizers watch), and what the layer keeps must stay within its bounds: a
// block length the program carries, a volume inside the capacity.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/Log.h"
#include "devices/CreateDevice.h"
#include "devices/DiscState.h"
#include "devices/MediumIdentity.h"
#include "devices/IsDVDR.h"
#include "devices/SCSITAPE.h"
#include "host/os/Sleep.h"
#include "host/ui/MessageBox.h"
#include "scsi/AspiManager.h"
#include "tests/fuzz/AnswerManager.h"
#include "volume/CheckHeader.h"
#include "volume/VolSizeChoice.h"

namespace {

// Every box is answered with its cautious button; none waits.
class NegativeUi : public ui::Backend {
 public:
  int MessageBox(const std::string&, const std::string&, unsigned flags) override {
    return ui::NegativeAnswer(flags);
  }
};

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  InstallLogSink(std::make_unique<LogSink>("/nonexistent/fuzz-log.txt", ""));
  SetLogOutput(false);
  SetTraceWriter([](std::string_view) {});
  host::SetTimeScale(0);
  static NegativeUi person;
  static ui::ScopedBackend scope(person);
  SetAspiManagerPath(ANSWER_MANAGER);
  Check(IsAspiReady());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  AnswerManagerSetInput(data, size);
  CreatedDevice created = CreateDevice(0, 0, 0);
  ProbeDVDR(0, 0, 0);
  SCSIDEV& device = *created.device;
  const uint64_t capacity = device.GetCapacity();
  Check(device.BlockSize() <= SCSIDEV::kLargestBlock);
  device.GetFreeSize();

  VolSizeChoice sizes;
  VolumeInfo info;
  if (CheckHeader(device, sizes, info)) Check(info.volumeOffset <= capacity || capacity == 0);

  // The disc's state and identity, as the Write page and the records read
  // and show them (the sanitizers watch their parsing of the answers).
  ReadDiscState(device).Line();
  ReadMediumIdentity(device).Text();

  // A tape reads through its own command; so does any device class's slot 0.
  std::vector<uint8_t> buffer(65536 + SCSIDEV::kLargestBlock);
  if (device.FitsBuffer(65536, buffer.size())) device.Read(0, buffer.data(), 65536);
  SCSITAPE tape(0, 1, 0);
  tape.Read(buffer.data(), 65536);
  return 0;
}
