// SPDX-License-Identifier: GPL-3.0-or-later
// The volume check of a SCSI device: a disc in a reader or writer, a disk or
// an optical memory.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "devices/SCSIDEV.h"
#include "host/aspi/ScsiVocabulary.h"
#include "host/ui/MessageBox.h"
#include "volume/CheckHeader.h"
#include "volume/VolSizeChoice.h"
#include "volume/VolumeProbe.h"

namespace {

constexpr ProbeTexts kDeviceTexts = {"With MID", "NO MID", "This is not ISO9660 volume.", "This is not UDF Volume.",
                                     "Top data"};

// Reads whole blocks through the device. A probe that lies past the end of
// the medium finds zeros instead of failing the check: a small disk simply
// holds no UDF anchor.
class DeviceReader : public VolumeReader {
 public:
  explicit DeviceReader(SCSIDEV& device) : device_(device), capacity_(device.GetCapacity()) {}

  bool ReadAt(uint64_t offset, uint8_t* buffer, uint32_t count, ReadKind) override {
    std::fill(buffer, buffer + count, 0);
    const uint64_t blockSize = device_.BlockSize();
    if (blockSize == 0) return Fail();
    const uint64_t address = offset / blockSize;
    const uint64_t blocksHeld = capacity_ / blockSize;
    if (address >= blocksHeld || address > UINT32_MAX) return true;
    const uint64_t bytes = std::min<uint64_t>(count, (blocksHeld - address) * blockSize);
    // Every probe leaves room for one block after it in the work area.
    if (!device_.FitsBuffer(static_cast<uint32_t>(bytes), uint64_t{count} + kWorkSlack)) return Fail();
    if (!device_.Read(static_cast<uint32_t>(address), buffer, static_cast<uint32_t>(bytes))) return Fail();
    return true;
  }
  uint64_t SourceSize() override { return capacity_; }

 private:
  bool Fail() {
    device_.ReportError(nullptr, true, false);
    return false;
  }

  SCSIDEV& device_;
  uint64_t capacity_;
};

bool IsOpticalDrive(uint8_t type) { return type == aspi::device::kWriteOnce || type == aspi::device::kCdDvd; }

}  // namespace

bool CheckHeader(SCSIDEV& device, VolSizeChoice& sizes, VolumeInfo& info) {
  info = VolumeInfo{};
  device.StartStopUnit(aspi::startstop::kLoadAndStart);
  if (!device.SetDevice()) {
    if (!device.GeometryRefusal().empty())
      ui::MessageBox(device.GeometryRefusal(), ProgramName, ui::kIconError);
    else
      ui::MessageBox("Device read error.\nA medium may not be in the source device.", ProgramName, ui::kIconError);
    return false;
  }
  std::vector<uint8_t> work(kMidArea + kWorkSlack);
  DeviceReader reader(device);
  ProbeFindings found;
  if (!ProbeVolume(reader, kDeviceTexts, work, found)) return false;
  LogCandidateSizes(found);

  // A volume behind a MID index starts at its offset: the disc holds only
  // what lies after it, and a transfer of the whole capacity would read past
  // the end of the disc.
  const uint64_t afterOffset = found.available;
  if (IsOpticalDrive(device.GetDeviceType())) {
    sizes.SetVolumeSizes(VolSizeChoice::kForceMedia, false, found.mid, afterOffset, found.udfSize, found.isoSize);
  } else {
    if (found.isoSize == 0 && found.udfSize == 0) {
      int answer = ui::MessageBox("Source device does not have an ISO/UDF image.\r\nAre you sure to continue?",
                                  ProgramName, ui::kYesNo | ui::kIconQuestion | ui::kDefButton2);
      if (answer != ui::kIdYes) return false;
    }
    sizes.SetVolumeSizes(VolSizeChoice::kAutomatic, false, found.mid, found.mid ? found.midSize : afterOffset,
                         found.udfSize, found.isoSize);
  }
  TakeChosenVolume(found, sizes, "[CheckHeader(SCSI)]", info);
  return true;
}
