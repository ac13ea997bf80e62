// SPDX-License-Identifier: GPL-3.0-or-later
#include "readscan/DeviceScanSource.h"

#include <algorithm>

#include "base/TextFormat.h"
#include "devices/DriveRates.h"
#include "devices/SCSIDEV.h"
#include "host/aspi/ScsiVocabulary.h"
#include "host/os/Sleep.h"

namespace sense = aspi::sense;

namespace {

// A disc just put in may take a while to spin up.
constexpr uint32_t kReadyWaitMs = 30000;
constexpr uint32_t kPollMs = 100;

std::string Trimmed(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

std::string ScanDriveName(const SCSIDEV& drive) {
  return FormatText("%d,%d,%d: %s %s", drive.HostAdapter(), drive.TargetId(), drive.Lun(),
                    Trimmed(drive.Vendor()).c_str(), Trimmed(drive.Product()).c_str());
}

std::string ScanTitle(const SCSIDEV& drive) { return "Read scan of " + ScanDriveName(drive); }

bool DeviceScanSource::Open() {
  // TEST UNIT READY until the drive is ready; a drive without a disc is
  // not waited for.
  uint8_t key = 0, asc = 0, ascq = 0;
  std::string text;
  for (uint32_t waited = 0;; waited += kPollMs) {
    int status = device_.TestUnitReady();
    device_.GetSense(&key, &asc, &ascq, &text);
    if (status == aspi::SS_COMP && key == sense::kNoSenseKey) break;
    bool becoming = key == sense::kNotReadyKey && asc == sense::kAscLogicalUnitNotReady;
    if (!becoming || waited >= kReadyWaitMs) {
      reason_ = key != sense::kNoSenseKey
                    ? FormatText("No readable disc in the drive. (%X-%02X-%02X: %s)", key, asc, ascq, text.c_str())
                    : std::string("The drive does not answer.");
      return false;
    }
    host::Sleep(kPollMs);
  }
  if (!device_.SetDevice() || device_.BlockSize() == 0) {
    reason_ = "The drive did not tell the size of the disc.";
    return false;
  }
  blockSize_ = device_.BlockSize();
  blocks_ = uint64_t{device_.LastLba()} + 1;
  piece_ = std::max<uint16_t>(1, device_.BlocksPerTransfer());
  return true;
}

double DeviceScanSource::NominalBytesPerSecond() { return ReadDriveRates(device_).readBytesPerSecond; }

ScanSource::ReadResult DeviceScanSource::Read(uint64_t first, uint32_t count, uint8_t* buffer) {
  for (uint32_t done = 0; done < count;) {
    uint16_t blocks = static_cast<uint16_t>(std::min<uint32_t>(piece_, count - done));
    ReadResult result = ReadPiece(static_cast<uint32_t>(first + done), blocks, buffer + uint64_t{done} * blockSize_);
    if (result != ReadResult::Read) return result;
    done += blocks;
  }
  return ReadResult::Read;
}

ScanSource::ReadResult DeviceScanSource::ReadPiece(uint32_t first, uint16_t count, uint8_t* buffer) {
  const int status = device_.Read10(first, count, buffer, uint32_t{count} * blockSize_);
  uint8_t key = 0, asc = 0, ascq = 0;
  std::string text;
  device_.GetSense(&key, &asc, &ascq, &text);
  if (status == aspi::SS_COMP && key == sense::kNoSenseKey) return ReadResult::Read;
  if (key == sense::kBlankCheckKey) return ReadResult::Blank;
  if (status < 0 || status == aspi::SS_NO_DEVICE || status == aspi::SS_INVALID_HA ||
      status == aspi::SS_ABORTED) {
    reason_ = FormatText("The drive did not answer the read of block %u.", first);
    return ReadResult::Stopped;
  }
  if (key == sense::kNotReadyKey || key == sense::kUnitAttentionKey) {
    reason_ = FormatText("The drive stopped reading at block %u. (%X-%02X-%02X: %s)", first, key, asc, ascq,
                         text.c_str());
    return ReadResult::Stopped;
  }
  return ReadResult::Unreadable;
}
