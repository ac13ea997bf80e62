// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/simbus/ScsiCommand.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "host/os/Sleep.h"
#include "managers/simbus/Bytes.h"

namespace simbus {

void ScsiCommand::ReplyIn(const uint8_t* reply, uint32_t length, uint32_t allocation) {
  uint32_t count = std::min({length, allocation, dataLength});
  if (count > 0 && data != nullptr) std::memcpy(data, reply, count);
}

bool ScsiCommand::HasOutData(uint32_t needed) {
  if (needed == 0) return true;
  if (data != nullptr && dataLength >= needed) return true;
  Fail(kInvalidFieldInCdb);
  return false;
}

bool ScsiCommand::Pause(uint32_t ms) const {
  return PauseUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(host::ScaledMs(ms)));
}

bool ScsiCommand::PauseUntil(std::chrono::steady_clock::time_point end) const {
  using Clock = std::chrono::steady_clock;
  // Short slices, so that an abort ends a long simulated operation promptly;
  // each wakes at a moment, so that late wake-ups do not add up.
  for (auto now = Clock::now(); now < end; now = Clock::now()) {
    if (Aborted()) return false;
    std::this_thread::sleep_until(std::min<Clock::time_point>(end, now + std::chrono::milliseconds(2)));
  }
  return !Aborted();
}

std::optional<BlockRange> CommandBlocks(const uint8_t* cdb, uint8_t cdbLength) {
  switch (cdb[0]) {
    case op::kRead10:
    case op::kWrite10:
      if (cdbLength < 10) return std::nullopt;
      return BlockRange{GetBE32(cdb + 2), GetBE16(cdb + 7)};
    case op::kRead12:
    case op::kWrite12:
      if (cdbLength < 12) return std::nullopt;
      return BlockRange{GetBE32(cdb + 2), GetBE32(cdb + 6)};
    case op::kBlank:
      if (cdbLength < 12) return std::nullopt;
      return BlockRange{GetBE32(cdb + 2), 1};
    default:
      return std::nullopt;
  }
}

uint32_t BuildFixedSense(const ScsiCommand& command, uint8_t* out, uint32_t capacity) {
  uint8_t bytes[kFixedSenseLength] = {};
  bytes[0] = static_cast<uint8_t>(0x70 | (command.informationValid ? 0x80 : 0x00));
  bytes[2] = static_cast<uint8_t>(command.senseFlags | (command.sense.key & 0x0F));
  PutBE32(bytes + 3, command.information);
  bytes[7] = kFixedSenseLength - 8;  // additional sense length
  bytes[12] = command.sense.asc;
  bytes[13] = command.sense.ascq;
  if (command.progress) {
    bytes[15] = 0x80;  // sense-key specific data valid
    bytes[16] = static_cast<uint8_t>(*command.progress >> 8);
    bytes[17] = static_cast<uint8_t>(*command.progress);
  }
  bytes[21] = command.vendorByte21;
  uint32_t count = std::min(capacity, kFixedSenseLength);
  std::memcpy(out, bytes, count);
  return count;
}

}  // namespace simbus
