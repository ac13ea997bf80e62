// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/simbus/MmcWriter.h"

#include <algorithm>
#include <cstring>

#include "host/aspi/MmcVocabulary.h"
#include "managers/simbus/Bytes.h"

namespace simbus {
namespace {

constexpr uint8_t kWriteParametersPage = 0x05;
constexpr uint8_t kTestWriteBit = 0x10;
constexpr uint8_t kImmediateBit = 0x01;   // CLOSE TRACK/SESSION byte 1
constexpr uint8_t kSyncImmediateBit = 0x02;
constexpr uint32_t kPreRecordedLength = 4 + 40;
constexpr uint32_t kAdipLength = 4 + 256;
constexpr uint32_t kPhysicalLength = 4 + 2048;

void PutText(uint8_t* field, size_t width, std::string_view text) { PutPaddedText(field, width, text); }

}  // namespace

MmcWriter::MmcWriter(const DeviceConfig& config, std::string stateDir) : DvdWriter(config, std::move(stateDir)) {
  static constexpr std::array<Entry<MmcWriter>, 5> kCommands{{
      {op::kWrite10, &MmcWriter::Write10},
      {op::kSynchronizeCache, &MmcWriter::SynchronizeCache},
      {op::kCloseTrackSession, &MmcWriter::CloseTrackSession},
      {op::kReadDvdStructure, &MmcWriter::ReadDvdStructure},
      {op::kReserveRZone, &MmcWriter::ReserveTrack},
  }};
  Install(kCommands);
}

std::optional<Sense> MmcWriter::Readiness() const {
  if (auto busy = BusySense()) return busy;
  if (trayOpen_) return kMediumNotPresentTrayOpen;
  if (!DiscLoaded()) return kMediumNotPresentTrayClosed;
  return std::nullopt;
}

void MmcWriter::SelectPage(ScsiCommand& command, const uint8_t* page, uint32_t length) {
  const bool writeParameters = (page[0] & 0x3F) == kWriteParametersPage;
  if (writeParameters && length > 2 && (page[2] & kTestWriteBit) && record_.disc.kind == MediumKind::DvdPlusR) {
    command.Fail(kInvalidFieldInParameterList);  // a DVD+R has no test write
    return;
  }
  DvdWriter::SelectPage(command, page, length);
}

void MmcWriter::OnEject() {
  DvdWriter::OnEject();
  invisibleTrack_ = trackClosed_ = false;
}

void MmcWriter::ReserveTrack(ScsiCommand& command) {
  invisibleTrack_ = trackClosed_ = false;
  ReserveRZone(command);
}

void MmcWriter::Write10(ScsiCommand& command) {
  if (!CheckWritableDisc(command)) return;
  DiscRecord& disc = Working();
  if (disc.status == DiscStatus::Blank && disc.reserved == 0) {
    // No reservation: the write opens a track over the whole disc.
    disc.status = DiscStatus::Appendable;
    disc.reserved = disc.sectors;
    disc.written = disc.recorded = 0;
    invisibleTrack_ = true;
    trackClosed_ = false;
  }
  if (trackClosed_) {
    command.Fail(kCommandSequenceError);
    return;
  }
  WriteSectors(command, GetBE32(command.cdb + 2), GetBE16(command.cdb + 7));
  if (!TestMode() && disc.status == DiscStatus::Appendable) SaveRecord();
}

void MmcWriter::SynchronizeCache(ScsiCommand& command) {
  if (!NeedReady(command)) return;
  if (!TestMode()) data_.Flush();
  if (command.cdb[1] & kSyncImmediateBit) BecomeBusy(kNotReadyLongWriteInProgress, config_.timing.closeMs / 8);
}

void MmcWriter::CloseTrackSession(ScsiCommand& command) {
  if (!NeedReady(command)) return;
  const uint8_t function = command.cdb[2] & 0x07;
  if (function != aspi::closing::kTrack && function != aspi::closing::kSession) {
    command.Fail(kInvalidFieldInCdb);
    return;
  }
  DiscRecord& disc = Working();
  if (!Recordable() || disc.status != DiscStatus::Appendable) return;  // nothing open: nothing to close
  if (function == aspi::closing::kTrack) {
    // A reserved track is padded to its size; an invisible one ends where
    // its data ends.
    if (invisibleTrack_) disc.reserved = disc.written;
    trackClosed_ = true;
    return;
  }
  if (TestMode()) {
    DropTestCopy();  // a test write records nothing
  } else {
    disc.status = DiscStatus::Closed;
    disc.recorded = invisibleTrack_ ? disc.written : disc.reserved;
    data_.Flush();
    SaveRecord();
  }
  invisibleTrack_ = trackClosed_ = false;
  if (command.cdb[1] & kImmediateBit)
    BecomeBusy(kNotReadyLongWriteInProgress, config_.timing.closeMs);
  else
    command.Pause(config_.timing.closeMs);
}

void MmcWriter::ReadDvdStructure(ScsiCommand& command) {
  if (!NeedReady(command)) return;
  const uint8_t format = command.cdb[7];
  const MediumKind kind = Disc().kind;
  const bool minus = kind == MediumKind::DvdR || kind == MediumKind::DvdRw;
  std::vector<uint8_t> reply;
  if (format == aspi::structure::kPreRecorded && minus) {
    reply.assign(kPreRecordedLength, 0);
    uint8_t* data = reply.data() + 4;
    const std::string id = std::string(kDiscManufacturer) + kDiscType;  // twelve characters at most
    data[8] = 2;  // field ID 2: the manufacturer ID's first six characters
    PutText(data + 9, 6, id.substr(0, 6));
    data[16] = 3;  // field ID 3: the rest
    PutText(data + 17, 6, id.substr(6));
  } else if (format == aspi::structure::kAdip && kind == MediumKind::DvdPlusR) {
    reply.assign(kAdipLength, 0);
    PutText(reply.data() + 4 + 19, 8, kDiscManufacturer);
    PutText(reply.data() + 4 + 27, 3, kDiscType);
  } else if (format == aspi::structure::kPhysical) {
    reply.assign(kPhysicalLength, 0);
    static constexpr uint8_t kBookTypes[] = {0x20, 0x32, 0xA1, 0x01};  // DVD-R, DVD-RW, DVD+R, DVD-ROM
    size_t row = kind == MediumKind::DvdR ? 0 : kind == MediumKind::DvdRw ? 1 : kind == MediumKind::DvdPlusR ? 2 : 3;
    reply[4] = kBookTypes[row];
  } else {
    command.Fail(kInvalidFieldInCdb);
    return;
  }
  PutBE16(reply.data(), static_cast<uint32_t>(reply.size() - 2));
  command.ReplyIn(reply.data(), static_cast<uint32_t>(reply.size()), GetBE16(command.cdb + 8));
}

}  // namespace simbus
