// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/MMCRECORDER.h"

#include <array>

#include "base/Log.h"
#include "base/TextFormat.h"
#include "devices/DeviceLine.h"
#include "devices/DiscState.h"
#include "devices/MediumRules.h"
#include "host/aspi/MmcVocabulary.h"
#include "host/aspi/ScsiVocabulary.h"
#include "host/os/Sleep.h"
#include "host/ui/MessageBox.h"
#include "scsi/BigEndian.h"
#include "scsi/Commands.h"

namespace sense = aspi::sense;
namespace profile = aspi::profile;

namespace {

constexpr uint8_t kWriteParametersPage = 0x05;
constexpr size_t kModeHeader = 8;
constexpr uint8_t kBufferUnderrunFree = 0x40;
constexpr uint8_t kTestWriteBit = 0x10;
constexpr uint8_t kWriteTypeSao = 0x02;
constexpr uint8_t kTrackModeData = 0x05;
constexpr uint8_t kDataBlockMode1 = 0x08;
constexpr uint32_t kRetryPauseMs = 100;

std::string SenseText(const aspi::Sense& s) { return FormatText("%X-%02X-%02X", s.key, s.asc, s.ascq); }

}  // namespace

MMCRECORDER::MMCRECORDER(uint8_t ha, uint8_t id, uint8_t lun) : SCSIDEV(ha, id, lun) {
  SetIdentity(aspi::device::kCdDvd, kClassCode);
}

std::string MMCRECORDER::MediumRefusal(bool testWrite) {
  return WriteRefusal(ReadDiscState(*this), testWrite, DriveName(*this));
}

uint64_t MMCRECORDER::GetFreeSize() {
  AddLog("MMCRECORDER::GetFreeSize()");
  DiscState state = ReadDiscState(*this);
  // Only a blank disc takes a write: any other has no room for one.
  if (state.status != DiscStatus::Blank) return 0;
  return state.FreeBytes();
}

bool MMCRECORDER::SetWritingConfig(uint32_t sectorCount, int testWrite, int) {
  AddLog("[MMCRECORDER::SetWritingConfig] begin.");
  testWrite_ = testWrite == 1;
  DiscState state = ReadDiscState(*this);
  if (std::string refusal = WriteRefusal(state, testWrite_, DriveName(*this)); !refusal.empty()) {
    AddLog(refusal);
    ui::MessageBox(refusal, "Error", ui::kOk | ui::kIconError);
    return false;
  }
  firstLba_ = state.nextWritable;
  trackNumber_ = state.lastTrack == 0 ? 1 : state.lastTrack;
  AddLog(FormatText("Next writable address: %XH, free blocks: %XH", state.nextWritable, state.freeBlocks));
  // DVD+R has no write parameters to set: it is always written as it comes.
  if (state.profile != profile::kDvdPlusR && !SelectDiscAtOnce(testWrite_)) return false;
  if (!ReserveTrack(sectorCount)) return false;
  AddLog("[MMCRECORDER::SetWritingConfig] done.");
  return true;
}

bool MMCRECORDER::SelectDiscAtOnce(bool testWrite) {
  TestUnitReady();  // clears a pending unit attention
  std::array<uint8_t, scsi::kModeSenseLength> area{};
  int status = ModeSense10(kWriteParametersPage, area.data());
  uint8_t key = 0;
  GetSense(&key);
  size_t page = kModeHeader + scsi::GetBE16(&area[6]);
  if (!ConfigAccepted(status, key) || page + 10 > area.size() || (area[page] & 0x3F) != kWriteParametersPage) {
    AddLog("[MMCRECORDER::SetWritingConfig] The write parameters page could not be read.");
    ReportConfigFailure();
    return false;
  }
  size_t length = 2 + area[page + 1];
  area[page] &= 0x3F;  // the saveable bit is not sent back
  area[page + 2] = static_cast<uint8_t>((area[page + 2] & kBufferUnderrunFree) | (testWrite ? kTestWriteBit : 0) |
                                        kWriteTypeSao);
  area[page + 3] = kTrackModeData;  // no multi-session, no fixed packets
  area[page + 4] = static_cast<uint8_t>((area[page + 4] & 0xF0) | kDataBlockMode1);
  area[0] = area[1] = 0;  // the mode data length is reserved in MODE SELECT
  status = ModeSelect10(area.data(), static_cast<uint16_t>(page + length));
  GetSense(&key);
  if (!ConfigAccepted(status, key)) {
    AddLog("[MMCRECORDER::SetWritingConfig] The drive refused disc-at-once writing.");
    ReportConfigFailure();
    return false;
  }
  AddLog(testWrite ? "Write parameters: disc-at-once, test write." : "Write parameters: disc-at-once.");
  return true;
}

bool MMCRECORDER::ReserveTrack(uint32_t sectorCount) {
  int status = ReserveRZone(sectorCount);
  aspi::Sense answer;
  GetSense(&answer.key, &answer.asc, &answer.ascq);
  if (status == aspi::SS_COMP && answer == sense::kNoSense) {
    AddLog(FormatText("Track reserved: %XH sectors.", sectorCount));
    return true;
  }
  if (answer == sense::kInvalidCommandOperationCode) {
    AddLog("The drive reserves no track (5-20-00): the track is written without a reservation.");
    return true;
  }
  AddLog("[MMCRECORDER::SetWritingConfig] The track could not be reserved (" + SenseText(answer) + ").");
  ReportConfigFailure();
  return false;
}

bool MMCRECORDER::Write(void* buffer, uint32_t byteCount) {
  static constexpr StrictWriteLines kLines{"[MMCRECORDER::Write] - Retry %d/%d", "[MMCRECORDER::Write] failed.",
                                           "[MMCRECORDER::Write] failed."};
  return WriteStrict(buffer, byteCount, firstLba_, kLines, kBufferFullLimitMs);
}

bool MMCRECORDER::Write(uint32_t address, void* buffer, uint32_t byteCount) {
  SetAddress(address);
  return Write(buffer, byteCount);
}

bool MMCRECORDER::WaitWhileBusy(const char* step) {
  for (uint32_t waited = 0;; waited += kFinishPollMs) {
    int status = TestUnitReady();
    aspi::Sense answer;
    GetSense(&answer.key, &answer.asc, &answer.ascq);
    if (status == aspi::SS_COMP && answer == sense::kNoSense) return true;
    bool passing = sense::IsBusy(answer) || answer.key == sense::kUnitAttentionKey;
    if (!passing) {
      AddLog(FormatText("[MMCRECORDER::FinishWrite] After %s the drive answered %s.", step, SenseText(answer).c_str()));
      Report();
      return false;
    }
    if (waited >= kFinishLimitMs) {
      AddLog(FormatText("[MMCRECORDER::FinishWrite] The drive is still busy %u s after %s.", kFinishLimitMs / 1000,
                        step));
      return false;
    }
    host::Sleep(kFinishPollMs);
  }
}

bool MMCRECORDER::FinishStep(const char* step, const std::function<int()>& send) {
  for (int attempt = 1;; ++attempt) {
    int status = send();
    aspi::Sense answer;
    GetSense(&answer.key, &answer.asc, &answer.ascq);
    if ((status == aspi::SS_COMP && answer == sense::kNoSense) || sense::IsBusy(answer)) break;
    if (answer.key == sense::kIllegalRequestKey) {
      // Some drives close a disc-at-once disc by themselves and refuse what
      // is left to close: the disc's status decides at the end.
      AddLog(FormatText("[MMCRECORDER::FinishWrite] %s: %s.", step, SenseText(answer).c_str()));
      return true;
    }
    if (status == aspi::SS_COMP || answer.key != sense::kNoSenseKey || attempt >= RetryCount()) {
      AddLog(FormatText("[MMCRECORDER::FinishWrite] %s failed.", step));
      Report();
      return false;
    }
    AddLog(FormatText("[MMCRECORDER::FinishWrite] %s - Retry %d/%d", step, attempt, RetryCount()));
    Report();
    host::Sleep(kRetryPauseMs);
  }
  return WaitWhileBusy(step);
}

bool MMCRECORDER::FinishWrite() {
  AddLog("MMCRECORDER::FinishWrite()");
  bool ok = FinishStep("SYNCHRONIZE CACHE", [this] { return SynchronizeCache(true); }) &&
            FinishStep("CLOSE TRACK", [this] { return CloseTrackSession(true, aspi::closing::kTrack, trackNumber_); }) &&
            FinishStep("CLOSE SESSION", [this] { return CloseTrackSession(true, aspi::closing::kSession, 0); });
  if (ok && !testWrite_) {
    DiscState state = ReadDiscState(*this);
    if (state.status != DiscStatus::Closed) {
      AddLog("[MMCRECORDER::FinishWrite] The disc is not closed: " + state.Line() + ".");
      ok = false;
    }
  }
  AddLog(ok ? "MMCRECORDER::FinishWrite() done." : "MMCRECORDER::FinishWrite() failed.");
  return ok;
}
