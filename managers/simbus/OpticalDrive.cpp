// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/simbus/OpticalDrive.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "host/os/Sleep.h"
#include "managers/simbus/Bytes.h"
#include "managers/simbus/MmcConfiguration.h"

namespace simbus {
namespace {

constexpr uint8_t kCapabilitiesPage = 0x2A;
constexpr uint8_t kAllPages = 0x3F;
constexpr uint32_t kModeHeaderLength = 8;
constexpr uint32_t kBlockDescriptorLength = 8;
constexpr uint32_t kDiscInformationLength = 34;
constexpr uint32_t kTrackInformationLength = 36;
constexpr double kBaseKilobytesPerSecond = 1385;  // DVD 1x

// The record's file and time of change. Records are replaced by renaming a
// new file over them, so a record written by someone else is another file
// even when the clock has not moved on.
RecordStamp StampOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  return RecordStamp{static_cast<uint64_t>(info.st_ino),
                     static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

}  // namespace

OpticalDrive::OpticalDrive(const DeviceConfig& config, std::string stateDir)
    : Drive(config, std::move(stateDir)) {
  static constexpr std::array<Entry<OpticalDrive>, 10> kCommands{{
      {op::kStartStopUnit, &OpticalDrive::StartStopUnit},
      {op::kPreventAllowMediumRemoval, &OpticalDrive::PreventAllow},
      {op::kReadCapacity, &OpticalDrive::ReadCapacity},
      {op::kRead10, &OpticalDrive::Read10},
      {op::kRead12, &OpticalDrive::Read12},
      {op::kModeSense10, &OpticalDrive::ModeSense10},
      {op::kModeSelect10, &OpticalDrive::ModeSelect10},
      {op::kReadDiscInformation, &OpticalDrive::ReadDiscInformation},
      {op::kReadTrackRZoneInformation, &OpticalDrive::ReadTrackInformation},
      {op::kSynchronizeCache, &OpticalDrive::SynchronizeCache},
  }};
  Install(kCommands);
  if (config.model->family != ModelFamily::DvdWriter) {
    static constexpr std::array<Entry<OpticalDrive>, 1> kMmc{{{op::kGetConfiguration, &OpticalDrive::GetConfiguration}}};
    Install(kMmc);
  }
  recordPath_ = RecordPath(stateDir_, config.adapter, config.id, config.lun, ".json");
  dataPath_ = RecordPath(stateDir_, config.adapter, config.id, config.lun, ".img");
  LoadInitialDisc();
}

OpticalDrive::~OpticalDrive() {
  // Keeps how far an unfinished write got, unless the state tool has put
  // another disc in meanwhile.
  RecordStamp stamp = StampOf(recordPath_);
  if (Recordable() && (stamp.file == 0 || stamp == recordStamp_)) SaveRecord();
}

bool OpticalDrive::Recordable() const {
  return IsRecordable(record_.disc.kind);
}

void OpticalDrive::LoadInitialDisc() {
  const std::string origin = MediumOrigin(config_.medium);
  auto saved = LoadDriveRecord(recordPath_);
  if (saved && saved->origin == origin) {
    record_ = *saved;
    recordStamp_ = StampOf(recordPath_);
    if (!record_.revision.empty()) revision_ = record_.revision;
    if (!record_.mecha.empty()) mecha_ = record_.mecha;
  } else {
    record_ = DriveRecord{};
    record_.origin = origin;
    record_.disc.kind = config_.medium.kind;
    if (Recordable()) {
      record_.disc.sectors = static_cast<uint32_t>(config_.medium.sectors.value_or(kBlankDvdSectors));
      if (!config_.observeOnly) std::remove(dataPath_.c_str());  // a fresh blank disc
    } else if (record_.disc.kind == MediumKind::Image) {
      record_.disc.imagePath = config_.medium.path;
    }
    SaveRecord();
  }
  OpenDiscData();
}

bool OpticalDrive::OpenDiscData() {
  data_.Close();
  std::string error;
  if (Recordable()) {
    if (config_.observeOnly) return true;  // the summary needs no data
    if (!data_.Open(dataPath_, true, true, &error)) {
      std::fprintf(stderr, "Simulated SCSI bus: disc data: %s\n", error.c_str());
      return false;
    }
    return true;
  }
  if (record_.disc.kind == MediumKind::Image) {
    if (!data_.Open(record_.disc.imagePath, false, false, &error)) {
      if (!config_.observeOnly) std::fprintf(stderr, "Simulated SCSI bus: image: %s\n", error.c_str());
      return false;
    }
    uint64_t size = data_.Size();
    record_.disc.sectors = static_cast<uint32_t>((size + kSectorSize - 1) / kSectorSize);
    record_.disc.recorded = record_.disc.sectors;
    record_.disc.status = DiscStatus::Closed;
  }
  return true;
}

void OpticalDrive::SaveRecord() {
  if (config_.observeOnly) return;
  record_.revision = revision_ == config_.revision.value_or(std::string(config_.model->revision)) ? "" : revision_;
  record_.mecha = mecha_ == config_.mecha.value_or(std::string(kDefaultMecha)) ? "" : mecha_;
  if (!MakeFolders(stateDir_) || !SaveDriveRecord(recordPath_, record_)) {
    std::fprintf(stderr, "Simulated SCSI bus: cannot save %s\n", recordPath_.c_str());
    return;
  }
  recordStamp_ = StampOf(recordPath_);
}

void OpticalDrive::ReloadIfChangedOutside() {
  RecordStamp stamp = StampOf(recordPath_);
  if (stamp.file == 0 || stamp == recordStamp_) return;
  recordStamp_ = stamp;
  auto saved = LoadDriveRecord(recordPath_);
  if (!saved || saved->origin != record_.origin) return;
  OnEject();
  record_.disc = saved->disc;
  OpenDiscData();
  // Another disc went in: the drive spins it up.
  if (record_.disc.kind != MediumKind::None) BecomeBusy(kNotReadyBecomingReady, config_.timing.loadMs);
}

void OpticalDrive::OnTestUnitReady() { ReloadIfChangedOutside(); }

std::string OpticalDrive::Summary() const {
  std::string text = Drive::Summary() + ": ";
  if (trayOpen_) text += "tray open, ";
  const DiscRecord& disc = record_.disc;
  switch (disc.kind) {
    case MediumKind::None:
      return text + "no disc";
    case MediumKind::Image:
      if (!data_.IsOpen())
        return text + "image " + disc.imagePath + (config_.medium.sampleImage ? " (made on first use)" : " (cannot be read)");
      return text + "image " + disc.imagePath + " (" + std::to_string(disc.sectors) + " sectors)";
    default:
      break;
  }
  text += std::string(DiscStatusName(disc.status)) + " " + MediumKindName(disc.kind) + ", " +
          std::to_string(disc.sectors) + " sectors";
  if (disc.status != DiscStatus::Blank) text += ", " + std::to_string(disc.recorded) + " recorded";
  if (disc.status == DiscStatus::Appendable)
    text += ", RZone of " + std::to_string(disc.reserved) + " with " + std::to_string(disc.written) + " written";
  return text;
}

bool OpticalDrive::DiscLoaded() const {
  return !trayOpen_ && record_.disc.kind != MediumKind::None && data_.IsOpen();
}

std::optional<Sense> OpticalDrive::Readiness() const {
  if (!DiscLoaded()) return kMediumNotPresent;
  return BusySense();
}

void OpticalDrive::FillInquiry(uint8_t* inquiry) const {
  Drive::FillInquiry(inquiry);
  inquiry[1] = 0x80;  // removable medium
}

void OpticalDrive::StartStopUnit(ScsiCommand& command) {
  const bool start = command.cdb[4] & 0x01;
  const bool loadEject = command.cdb[4] & 0x02;
  if (!loadEject) return;  // spinning up or down changes nothing here
  if (!start) {
    if (prevented_) {
      command.Fail(kMediumRemovalPrevented);
      return;
    }
    if (!trayOpen_) {
      OnEject();
      if (Recordable()) SaveRecord();
    }
    trayOpen_ = true;
    return;
  }
  if (trayOpen_) {
    trayOpen_ = false;
    if (record_.disc.kind != MediumKind::None) BecomeBusy(kNotReadyBecomingReady, config_.timing.loadMs);
  }
}

void OpticalDrive::PreventAllow(ScsiCommand& command) { prevented_ = command.cdb[4] & 0x01; }

void OpticalDrive::ReadCapacity(ScsiCommand& command) {
  if (!NeedReady(command)) return;
  const DiscRecord& disc = Disc();
  uint32_t blocks = disc.recorded;
  // A blank disc reports the room it offers.
  if (disc.kind != MediumKind::Image && disc.status == DiscStatus::Blank) blocks = disc.sectors;
  uint8_t reply[8] = {};
  PutBE32(reply, blocks == 0 ? 0 : blocks - 1);
  PutBE32(reply + 4, kSectorSize);
  command.ReplyIn(reply, sizeof reply, sizeof reply);
}

void OpticalDrive::Read10(ScsiCommand& command) {
  ReadSectors(command, GetBE32(command.cdb + 2), GetBE16(command.cdb + 7));
}

void OpticalDrive::Read12(ScsiCommand& command) {
  ReadSectors(command, GetBE32(command.cdb + 2), GetBE32(command.cdb + 6));
}

void OpticalDrive::ReadSectors(ScsiCommand& command, uint32_t lba, uint32_t count) {
  if (!NeedReady(command) || count == 0) return;
  const DiscRecord& disc = Disc();
  const uint64_t end = uint64_t{lba} + count;
  if (end > disc.sectors) {
    command.Fail(kLbaOutOfRange);
    return;
  }
  if (end > disc.recorded) {
    command.Fail(kBlankSector);
    command.informationValid = true;
    command.information = std::max(lba, disc.recorded);
    return;
  }
  uint64_t bytes = std::min<uint64_t>(uint64_t{count} * kSectorSize, command.dataLength);
  if (bytes > 0 && !data_.ReadAt(uint64_t{lba} * kSectorSize, command.data, static_cast<uint32_t>(bytes))) {
    command.Fail(kUnrecoveredReadError);
    return;
  }
  PaceTransfer(command, bytes);
}

bool OpticalDrive::ModePage(uint8_t code, std::vector<uint8_t>& page) const {
  if (code != kCapabilitiesPage) return false;
  std::vector<uint8_t> body(26, 0);
  body[0] = kCapabilitiesPage;
  body[1] = 24;
  body[2] = config_.model->dvdrWrite ? 0x18 : 0x08;  // DVD-ROM read, DVD-R read
  body[3] = config_.model->dvdrWrite ? 0x14 : 0x00;  // DVD-R write, test write
  body[6] = 0x29;                                     // lock, eject, tray loader
  if (config_.speed > 0) {
    // Maximum and current read speed, maximum and current write speed, in
    // kB/s of 1,000 bytes: the rate the drive delivers in real time, which
    // the time scale raises as it shortens every simulated duration.
    const double scale = host::TimeScale();
    const double kilobytes = scale > 0 ? config_.speed * kBaseKilobytesPerSecond / scale : 65535.0;
    const auto rate = static_cast<uint16_t>(std::min(kilobytes, 65535.0));
    for (size_t at : {8, 14}) PutBE16(body.data() + at, rate);
    if (config_.model->dvdrWrite)
      for (size_t at : {18, 20}) PutBE16(body.data() + at, rate);
  }
  page.insert(page.end(), body.begin(), body.end());
  return true;
}

void OpticalDrive::SelectPage(ScsiCommand& command, const uint8_t*, uint32_t) {
  command.Fail(kInvalidFieldInParameterList);
}

void OpticalDrive::ModeSense10(ScsiCommand& command) {
  const uint8_t code = command.cdb[2] & 0x3F;
  const uint8_t control = command.cdb[2] >> 6;
  const bool noDescriptor = command.cdb[1] & 0x08;
  std::vector<uint8_t> reply(kModeHeaderLength, 0);
  if (!noDescriptor) {
    reply.resize(kModeHeaderLength + kBlockDescriptorLength, 0);
    PutBE16(reply.data() + 6, kBlockDescriptorLength);
    PutBE24(reply.data() + kModeHeaderLength + 5, kSectorSize);
  }
  size_t pagesStart = reply.size();
  if (code == kAllPages) {
    for (uint8_t each = 1; each < kAllPages; ++each) ModePage(each, reply);
  } else if (!ModePage(code, reply)) {
    command.Fail(kInvalidFieldInCdb);
    return;
  }
  if (control == 1) {  // changeable values: only the write parameters' test and type bits
    for (size_t i = pagesStart; i < reply.size();) {
      uint8_t length = reply[i + 1];
      bool writeParameters = (reply[i] & 0x3F) == 0x05;
      for (size_t j = i + 2; j < i + 2 + length; ++j) reply[j] = (writeParameters && j == i + 2) ? 0x1F : 0;
      i += 2 + length;
    }
  }
  PutBE16(reply.data(), static_cast<uint32_t>(reply.size() - 2));
  command.ReplyIn(reply.data(), static_cast<uint32_t>(reply.size()), GetBE16(command.cdb + 7));
}

void OpticalDrive::ModeSelect10(ScsiCommand& command) {
  const uint32_t length = GetBE16(command.cdb + 7);
  if (length == 0) return;
  if (!command.HasOutData(length)) return;
  const uint8_t* list = command.data;
  if (length < kModeHeaderLength) {
    command.Fail(kParameterListLengthError);
    return;
  }
  const uint32_t page = kModeHeaderLength + GetBE16(list + 6);
  if (page == length) return;  // header and block descriptor only
  if (page + 2 > length || page + 2 + list[page + 1] > length) {
    command.Fail(kParameterListLengthError);
    return;
  }
  SelectPage(command, list + page, 2u + list[page + 1]);
}

void OpticalDrive::ReadDiscInformation(ScsiCommand& command) {
  if (!NeedReady(command)) return;
  const DiscRecord& disc = Disc();
  uint8_t reply[kDiscInformationLength] = {};
  PutBE16(reply, kDiscInformationLength - 2);
  uint8_t status = 2, lastSession = 3;  // complete
  if (disc.kind != MediumKind::Image && disc.status == DiscStatus::Blank) status = 0, lastSession = 0;
  if (disc.kind != MediumKind::Image && disc.status == DiscStatus::Appendable) status = 1, lastSession = 1;
  reply[2] = static_cast<uint8_t>(status | lastSession << 2 | (disc.kind == MediumKind::DvdRw ? 0x10 : 0));
  reply[3] = 1;  // first track on the disc
  reply[4] = 1;  // sessions
  reply[5] = 1;  // first track in the last session
  reply[6] = 1;  // last track in the last session
  command.ReplyIn(reply, sizeof reply, GetBE16(command.cdb + 7));
}

void OpticalDrive::ReadTrackInformation(ScsiCommand& command) {
  if (!NeedReady(command)) return;
  const DiscRecord& disc = Disc();
  const uint8_t addressType = command.cdb[1] & 0x03;
  const uint32_t address = GetBE32(command.cdb + 2);
  // One RZone from block 0: the whole blank disc, the reserved zone, or what
  // was recorded.
  uint32_t size = disc.sectors, next = 0, free = disc.sectors, last = 0;
  bool nextValid = true, blank = true;
  if (disc.kind == MediumKind::Image || disc.status == DiscStatus::Closed) {
    size = disc.recorded, free = 0, nextValid = false, blank = false;
    last = disc.recorded == 0 ? 0 : disc.recorded - 1;
  } else if (disc.status == DiscStatus::Appendable) {
    size = disc.reserved, next = disc.written, free = disc.reserved - disc.written;
    blank = disc.written == 0;
    last = disc.written == 0 ? 0 : disc.written - 1;
  }
  if ((addressType == 0 && address >= std::max(size, 1u)) || (addressType == 1 && address != 1) ||
      addressType > 1) {
    command.Fail(addressType == 0 ? kLbaOutOfRange : kInvalidFieldInCdb);
    return;
  }
  uint8_t reply[kTrackInformationLength] = {};
  PutBE16(reply, kTrackInformationLength - 2);
  reply[2] = 1;  // RZone number
  reply[3] = 1;  // session
  reply[5] = 0x04;  // data track
  reply[6] = static_cast<uint8_t>((blank ? 0x40 : 0x00) | 0x01);
  reply[7] = nextValid ? 0x01 : 0x00;
  PutBE32(reply + 12, next);
  PutBE32(reply + 16, free);
  PutBE32(reply + 20, 16);  // fixed packet size
  PutBE32(reply + 24, size);
  PutBE32(reply + 28, last);
  command.ReplyIn(reply, sizeof reply, GetBE16(command.cdb + 7));
}

void OpticalDrive::SynchronizeCache(ScsiCommand& command) { NeedReady(command); }

void OpticalDrive::GetConfiguration(ScsiCommand& command) {
  // Known without a disc: the current profile is then none.
  const MediumKind disc = DiscLoaded() ? Disc().kind : MediumKind::None;
  const bool recorder = config_.model->family == ModelFamily::MmcRecorder;
  std::vector<uint8_t> reply = ConfigurationReply(recorder, disc, command.cdb[1] & 0x03, GetBE16(command.cdb + 2));
  command.ReplyIn(reply.data(), static_cast<uint32_t>(reply.size()), GetBE16(command.cdb + 7));
}

}  // namespace simbus
