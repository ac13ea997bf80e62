// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/simbus/DirectAccessDrive.h"

#include <cstdio>
#include <vector>

#include "managers/simbus/Bytes.h"
#include "managers/simbus/DriveRecord.h"

namespace simbus {
namespace {

constexpr uint32_t kModeHeaderLength = 8;
constexpr uint32_t kBlockDescriptorLength = 8;
constexpr uint64_t kDefaultBlocks = 131072;

}  // namespace

DirectAccessDrive::DirectAccessDrive(const DeviceConfig& config, std::string stateDir)
    : Drive(config, std::move(stateDir)) {
  static constexpr std::array<Entry<DirectAccessDrive>, 10> kCommands{{
      {op::kStartStopUnit, &DirectAccessDrive::Accept},
      {op::kPreventAllowMediumRemoval, &DirectAccessDrive::Accept},
      {op::kSynchronizeCache, &DirectAccessDrive::Accept},
      {op::kReadCapacity, &DirectAccessDrive::ReadCapacity},
      {op::kRead10, &DirectAccessDrive::Read10},
      {op::kRead12, &DirectAccessDrive::Read12},
      {op::kWrite10, &DirectAccessDrive::Write10},
      {op::kWrite12, &DirectAccessDrive::Write12},
      {op::kModeSense10, &DirectAccessDrive::ModeSense10},
      {op::kModeSelect10, &DirectAccessDrive::ModeSelect10},
  }};
  Install(kCommands);
  const MediumConfig& medium = config.medium;
  blockSize_ = medium.blockSize != 0 ? medium.blockSize : config.model->blockSize;
  if (medium.kind != MediumKind::Image) return;  // no medium
  std::string error;
  if (!medium.path.empty()) {
    path_ = medium.path;
    writable_ = medium.writable.value_or(false);
    if (!file_.Open(path_, writable_, false, &error)) {
      std::fprintf(stderr, "Simulated SCSI bus: %s\n", error.c_str());
      return;
    }
    blocks_ = file_.Size() / blockSize_;
    return;
  }
  // A file of the state folder, made on first use.
  path_ = RecordPath(stateDir_, config.adapter, config.id, config.lun, ".img");
  writable_ = medium.writable.value_or(true);
  blocks_ = medium.sectors.value_or(kDefaultBlocks);
  if (config.observeOnly) {
    file_.Open(path_, false, false, nullptr);
    return;
  }
  if (!MakeFolders(stateDir_) || !file_.Open(path_, true, true, &error)) {
    std::fprintf(stderr, "Simulated SCSI bus: %s\n", error.empty() ? stateDir_.c_str() : error.c_str());
    return;
  }
  if (file_.Size() != blocks_ * blockSize_) file_.Resize(blocks_ * blockSize_);
}

std::string DirectAccessDrive::Summary() const {
  std::string text = Drive::Summary() + ": ";
  if (!file_.IsOpen() && !path_.empty()) return text + path_ + " (not made yet)";
  if (!file_.IsOpen()) return text + "no medium";
  return text + path_ + " (" + std::to_string(blocks_) + " blocks of " + std::to_string(blockSize_) + " bytes" +
         (writable_ ? ")" : ", read-only)");
}

std::optional<Sense> DirectAccessDrive::Readiness() const {
  if (!file_.IsOpen() || blocks_ == 0) return kMediumNotPresent;
  return BusySense();
}

void DirectAccessDrive::FillInquiry(uint8_t* inquiry) const {
  Drive::FillInquiry(inquiry);
  if (config_.model->deviceType != 0) inquiry[1] = 0x80;  // removable cartridge
}

void DirectAccessDrive::Accept(ScsiCommand&) {}

void DirectAccessDrive::ReadCapacity(ScsiCommand& command) {
  if (!NeedReady(command)) return;
  uint8_t reply[8] = {};
  PutBE32(reply, static_cast<uint32_t>(blocks_ - 1));
  PutBE32(reply + 4, blockSize_);
  command.ReplyIn(reply, sizeof reply, sizeof reply);
}

void DirectAccessDrive::Read10(ScsiCommand& c) { Transfer(c, GetBE32(c.cdb + 2), GetBE16(c.cdb + 7), false); }
void DirectAccessDrive::Read12(ScsiCommand& c) { Transfer(c, GetBE32(c.cdb + 2), GetBE32(c.cdb + 6), false); }
void DirectAccessDrive::Write10(ScsiCommand& c) { Transfer(c, GetBE32(c.cdb + 2), GetBE16(c.cdb + 7), true); }
void DirectAccessDrive::Write12(ScsiCommand& c) { Transfer(c, GetBE32(c.cdb + 2), GetBE32(c.cdb + 6), true); }

void DirectAccessDrive::Transfer(ScsiCommand& command, uint32_t lba, uint32_t count, bool write) {
  if (!NeedReady(command) || count == 0) return;
  if (uint64_t{lba} + count > blocks_) {
    command.Fail(kLbaOutOfRange);
    return;
  }
  if (write && !writable_) {
    command.Fail(kWriteProtected);
    return;
  }
  const uint64_t bytes = uint64_t{count} * blockSize_;
  const uint64_t offset = uint64_t{lba} * blockSize_;
  if (write) {
    if (bytes > 0xFFFFFFFFull || !command.HasOutData(static_cast<uint32_t>(bytes))) {
      if (!command.failed) command.Fail(kInvalidFieldInCdb);
      return;
    }
    if (!file_.WriteAt(offset, command.data, static_cast<uint32_t>(bytes))) command.Fail(kWriteError);
  } else {
    uint32_t moved = static_cast<uint32_t>(std::min<uint64_t>(bytes, command.dataLength));
    if (moved > 0 && !file_.ReadAt(offset, command.data, moved)) command.Fail(kUnrecoveredReadError);
  }
  PaceTransfer(command, bytes);
}

bool DirectAccessDrive::ModePage(uint8_t, std::vector<uint8_t>&) const { return false; }

void DirectAccessDrive::SelectPage(ScsiCommand& command, const uint8_t*, uint32_t) {
  command.Fail(kInvalidFieldInParameterList);
}

void DirectAccessDrive::ModeSense10(ScsiCommand& command) {
  const uint8_t code = command.cdb[2] & 0x3F;
  std::vector<uint8_t> reply(kModeHeaderLength + kBlockDescriptorLength, 0);
  PutBE16(reply.data() + 6, kBlockDescriptorLength);
  PutBE24(reply.data() + kModeHeaderLength + 5, blockSize_);
  if (!writable_) reply[3] = 0x80;  // write protected
  if (code == 0x3F) {
    for (uint8_t each = 1; each < 0x3F; ++each) ModePage(each, reply);
  } else if (!ModePage(code, reply)) {
    command.Fail(kInvalidFieldInCdb);
    return;
  }
  PutBE16(reply.data(), static_cast<uint32_t>(reply.size() - 2));
  command.ReplyIn(reply.data(), static_cast<uint32_t>(reply.size()), GetBE16(command.cdb + 7));
}

void DirectAccessDrive::ModeSelect10(ScsiCommand& command) {
  const uint32_t length = GetBE16(command.cdb + 7);
  if (length == 0) return;
  if (!command.HasOutData(length)) return;
  if (length < kModeHeaderLength) {
    command.Fail(kParameterListLengthError);
    return;
  }
  SelectPage(command, command.data, length);
}

}  // namespace simbus
