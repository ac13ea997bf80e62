// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/simbus/TapeDrive.h"

#include <algorithm>
#include <cstdio>

#include "managers/simbus/Bytes.h"

namespace simbus {

TapeDrive::TapeDrive(const DeviceConfig& config, std::string stateDir) : Drive(config, std::move(stateDir)) {
  static constexpr std::array<Entry<TapeDrive>, 5> kCommands{{
      {op::kRead6, &TapeDrive::Read6},
      {op::kRewind, &TapeDrive::Rewind},
      {op::kStartStopUnit, &TapeDrive::Rewind},  // LOAD UNLOAD
      {op::kReadBlockLimits, &TapeDrive::ReadBlockLimits},
      {op::kModeSense6, &TapeDrive::ModeSense6},
  }};
  Install(kCommands);
  filemarks_ = config.medium.filemarks;
  std::sort(filemarks_.begin(), filemarks_.end());
  if (config.medium.kind != MediumKind::Image) return;
  std::string error;
  if (!file_.Open(config.medium.path, false, false, &error))
    std::fprintf(stderr, "Simulated SCSI bus: tape: %s\n", error.c_str());
}

std::string TapeDrive::Summary() const {
  std::string text = Drive::Summary() + ": ";
  if (!file_.IsOpen()) return text + "no tape";
  return text + config_.medium.path + " (" + std::to_string(file_.Size()) + " bytes, " +
         std::to_string(filemarks_.size()) + " filemarks)";
}

std::optional<Sense> TapeDrive::Readiness() const {
  if (!file_.IsOpen()) return kMediumNotPresent;
  return BusySense();
}

void TapeDrive::FillInquiry(uint8_t* inquiry) const {
  Drive::FillInquiry(inquiry);
  inquiry[1] = 0x80;
}

void TapeDrive::OnFaultSense(ScsiCommand& command) {
  if (command.Op() != op::kRead6) return;
  command.informationValid = true;
  command.information = GetBE24(command.cdb + 2);
}

void TapeDrive::Residue(ScsiCommand& command, Sense sense, uint8_t flags, uint32_t residue) {
  command.Fail(sense);
  command.senseFlags = flags;
  command.informationValid = true;
  command.information = residue;
}

void TapeDrive::Read6(ScsiCommand& command) {
  if (!NeedReady(command)) return;
  if (command.cdb[1] & 0x01) {  // fixed-length blocks are not offered
    command.Fail(kInvalidFieldInCdb);
    return;
  }
  const uint32_t length = GetBE24(command.cdb + 2);
  if (length == 0) return;
  const uint64_t size = file_.Size();
  const bool markAhead = nextMark_ < filemarks_.size();
  uint64_t limit = markAhead ? std::min(filemarks_[nextMark_], size) : size;
  const uint32_t recordSize = config_.medium.recordSize;
  bool recordLimited = false;
  if (recordSize != 0 && recordStart_ + recordSize < limit) {
    limit = recordStart_ + recordSize;
    recordLimited = true;
  }
  const uint64_t available = limit > position_ ? limit - position_ : 0;
  const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(length, available));
  if (count > 0) {
    uint32_t moved = std::min(count, command.dataLength);
    if (moved > 0 && !file_.ReadAt(position_, command.data, moved)) {
      command.Fail(kUnrecoveredReadError);
      return;
    }
    position_ += count;
    PaceTransfer(command, count);
  }
  if (recordSize != 0 && position_ == limit && recordLimited) recordStart_ = position_;
  if (count == length) {
    if (recordLimited && position_ < limit) {  // a longer record: the rest is skipped
      position_ = recordStart_ = limit;
    }
    return;
  }
  const uint32_t residue = length - count;
  if (markAhead && position_ == filemarks_[nextMark_]) {
    ++nextMark_;
    recordStart_ = position_;
    Residue(command, kFilemarkDetected, sense::kFilemarkFlag, residue);
  } else if (recordLimited) {
    Residue(command, kNoSense, sense::kIncorrectLengthFlag, residue);
  } else {
    Residue(command, kEndOfDataDetected, sense::kEndOfMediumFlag, residue);
  }
}

void TapeDrive::Rewind(ScsiCommand& command) {
  if (!NeedReady(command)) return;
  position_ = recordStart_ = 0;
  nextMark_ = 0;
}

void TapeDrive::ReadBlockLimits(ScsiCommand& command) {
  uint8_t reply[6] = {};
  PutBE24(reply + 1, 0xFFFFFF);
  PutBE16(reply + 4, 1);
  command.ReplyIn(reply, sizeof reply, sizeof reply);
}

void TapeDrive::ModeSense6(ScsiCommand& command) {
  uint8_t reply[12] = {};
  reply[0] = sizeof reply - 1;
  reply[2] = 0x10;  // buffered mode
  reply[3] = 8;     // block descriptor; block length 0: variable
  command.ReplyIn(reply, sizeof reply, command.cdb[4]);
}

}  // namespace simbus
