// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/DiscState.h"

#include <algorithm>
#include <iterator>

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/TextFormat.h"
#include "devices/MmcFeatures.h"
#include "devices/SCSIDEV.h"
#include "devices/SCSIDVDR090.h"
#include "devices/SCSIDVDRW.h"
#include "host/os/Sleep.h"
#include "scsi/BigEndian.h"
#include "scsi/Commands.h"

namespace sense = aspi::sense;

namespace {

struct ProfileRow {
  uint16_t number;
  const char* name;
};

constexpr ProfileRow kProfiles[] = {
    {profile::kCdRom, "CD-ROM"},          {profile::kCdR, "CD-R"},
    {profile::kCdRw, "CD-RW"},            {profile::kDvdRom, "DVD-ROM"},
    {profile::kDvdR, "DVD-R"},            {profile::kDvdRam, "DVD-RAM"},
    {profile::kDvdRwOverwrite, "DVD-RW"}, {profile::kDvdRw, "DVD-RW"},
    {profile::kDvdRDualLayer, "DVD-R DL"}, {profile::kDvdRDualLayerJump, "DVD-R DL"},
    {profile::kDvdRwDualLayer, "DVD-RW DL"}, {profile::kDvdPlusRw, "DVD+RW"},
    {profile::kDvdPlusR, "DVD+R"},        {profile::kDvdPlusRwDualLayer, "DVD+RW DL"},
    {profile::kDvdPlusRDualLayer, "DVD+R DL"}, {profile::kBdRom, "BD-ROM"},
    {profile::kBdRSequential, "BD-R"},    {profile::kBdRRandom, "BD-R"},
    {profile::kBdRe, "BD-RE"},
};

constexpr uint32_t kBecomingReadyMs = 3000;
constexpr uint32_t kPollMs = 100;
constexpr uint16_t kTrackDataLength = 22;  // a track reply must reach its free blocks

// The maker's writer classes, which take DVD-R (and DVD-RW) discs only.
bool MakerWriter(const SCSIDEV& device) {
  int32_t code = device.ClassCode();
  return code == SCSIDVDR090::kClassCode || code == SCSIDVDR100::kClassCode || code == SCSIDVDRW::kClassCode;
}

// TEST UNIT READY until the drive is ready, has no disc, or stops becoming
// ready.
void ReadPresence(SCSIDEV& device, DiscState& state) {
  for (uint32_t waited = 0;; waited += kPollMs) {
    int status = device.TestUnitReady();
    device.GetSense(&state.sense.key, &state.sense.asc, &state.sense.ascq);
    if (status == aspi::SS_COMP && state.sense.key == sense::kNoSenseKey) {
      state.presence = DiscPresence::Ready;
      return;
    }
    if (state.sense == sense::kMediumNotPresentTrayOpen) {
      state.presence = DiscPresence::TrayOpen;
      return;
    }
    if (state.sense.key == sense::kNotReadyKey && state.sense.asc == sense::kAscMediumNotPresent) {
      state.presence = DiscPresence::NoDisc;
      return;
    }
    // Unit attention tells of a change (a disc went in): ask again.
    bool passing = state.sense == sense::kNotReadyBecomingReady || state.sense.key == sense::kUnitAttentionKey;
    if (passing && waited < kBecomingReadyMs) {
      host::Sleep(kPollMs);
      continue;
    }
    state.presence = sense::IsBusy(state.sense) ? DiscPresence::Busy : DiscPresence::NoAnswer;
    return;
  }
}

// READ DISC INFORMATION: status, erasable bit and the last track of the
// last session. False when the drive does not answer it.
bool ReadDiscInformation(SCSIDEV& device, DiscState& state, uint16_t& lastTrack) {
  scsi::DiscInformationRequest request;
  request.allocationLength = 34;
  int status = device.ReadDiscInformation(request);
  if (status != aspi::SS_COMP || !device.GetSense()) return false;
  static constexpr DiscStatus kStatuses[] = {DiscStatus::Blank, DiscStatus::Appendable, DiscStatus::Closed,
                                             DiscStatus::Unknown};
  state.status = kStatuses[request.data[2] & 0x03];
  state.erasable = (request.data[2] & 0x10) != 0;
  lastTrack = static_cast<uint16_t>(request.data[11] << 8 | request.data[6]);
  return true;
}

// READ TRACK INFORMATION: the next writable address and the free blocks of
// a track (addressType 1, by number) or of the RZone at LBA 0 (type 0).
void ReadTrackRoom(SCSIDEV& device, DiscState& state, uint8_t addressType, uint32_t address) {
  scsi::RZoneRequest request;
  request.addressType = addressType;
  request.address = address;
  request.allocationLength = scsi::kRZoneDataSize;
  int status = device.ReadTrackRZoneInformation(request);
  if (status != aspi::SS_COMP || !device.GetSense()) return;
  if (scsi::GetBE16(request.data) < kTrackDataLength) return;
  bool nextWritableValid = (request.data[7] & 0x01) != 0;
  state.nextWritable = nextWritableValid ? scsi::GetBE32(request.data + 12) : 0;
  state.freeBlocks = scsi::GetBE32(request.data + 16);
}

void ReadRecorded(SCSIDEV& device, DiscState& state) {
  if (state.status == DiscStatus::Blank) return;  // some drives report the room as the capacity
  uint8_t reply[scsi::kReadCapacityLength] = {};
  if (device.ReadCapacity(reply) == aspi::SS_COMP && device.GetSense()) {
    uint32_t last = scsi::GetBE32(reply);
    state.recordedBlocks = last + 1;
  }
}

}  // namespace

const char* ProfileName(uint16_t number) {
  const auto* end = std::end(kProfiles);
  const auto* row = std::find_if(std::begin(kProfiles), end, [&](const ProfileRow& r) { return r.number == number; });
  return row == end ? "disc" : row->name;
}

const char* DiscState::StatusText() const {
  switch (status) {
    case DiscStatus::Blank: return "blank";
    case DiscStatus::Appendable: return "appendable";
    case DiscStatus::Closed: return "closed";
    case DiscStatus::Unknown: break;
  }
  return "";
}

std::string DiscState::Line() const {
  switch (presence) {
    case DiscPresence::NoDisc: return "no disc";
    case DiscPresence::TrayOpen: return "tray open";
    case DiscPresence::Busy: return FormatText("not ready (%X-%02X-%02X)", sense.key, sense.asc, sense.ascq);
    case DiscPresence::NoAnswer: return "no answer";
    case DiscPresence::Ready: break;
  }
  std::string line = medium.empty() ? "disc" : medium;
  if (status != DiscStatus::Unknown) line += std::string(", ") + StatusText();
  if (status != DiscStatus::Closed && freeBlocks > 0) line += ", " + FormatNumber(FreeBytes()) + " bytes free";
  return line;
}

DiscState ReadDiscState(SCSIDEV& device) {
  DiscState state;
  ReadPresence(device, state);
  if (state.HasDisc()) {
    MmcFeatures features = ReadMmcFeatures(device);
    uint16_t lastTrack = 1;
    bool discInformation = ReadDiscInformation(device, state, lastTrack);
    if (discInformation) state.lastTrack = lastTrack;
    if (features.answered) {
      state.mmc = true;
      state.profile = features.currentProfile;
      state.medium = ProfileName(state.profile);
      if (state.status != DiscStatus::Closed && discInformation) ReadTrackRoom(device, state, 1, lastTrack);
    } else if (discInformation) {
      state.medium = state.erasable ? "DVD-RW" : MakerWriter(device) ? "DVD-R" : "disc";
      if (state.status != DiscStatus::Closed) ReadTrackRoom(device, state, 0, 0);
    } else if (MakerWriter(device)) {
      // A writer that knows neither (the first generation): its DVD-R's
      // room is its capacity, as its own free size is.
      state.medium = "DVD-R";
    } else {
      state.medium = "disc";
      state.status = DiscStatus::Closed;
    }
    ReadRecorded(device, state);
    if (!state.mmc && !discInformation && MakerWriter(device)) {
      state.freeBlocks = state.recordedBlocks;
      state.recordedBlocks = 0;
    }
  }
  AddLog(FormatText("[ReadDiscState] %d,%d,%d: %s", device.HostAdapter(), device.TargetId(), device.Lun(),
                    state.Line().c_str()));
  return state;
}
