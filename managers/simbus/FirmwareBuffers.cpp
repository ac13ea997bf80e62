// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/simbus/FirmwareBuffers.h"

#include <algorithm>
#include <cstring>

#include "managers/simbus/Bytes.h"
#include "managers/simbus/Qxw7100Firmware.h"
#include "managers/simbus/Qxw7200Firmware.h"

namespace simbus {

NewFirmware FirmwareBuffers::PowerCycle() {
  NewFirmware result = committed_.value_or(NewFirmware{});
  committed_.reset();
  Restart();
  return result;
}

char FirmwareBuffers::ModeCharacter() const {
  switch (Mode()) {
    case FirmwareMode::Boot: return 'B';
    case FirmwareMode::Loader: return 'L';
    case FirmwareMode::Normal: break;
  }
  return 0;
}

FirmwareBuffers::BufferFields FirmwareBuffers::Fields(const ScsiCommand& command) {
  return BufferFields{static_cast<uint8_t>(command.cdb[1] & 0x1F), command.cdb[2], GetBE24(command.cdb + 3),
                      GetBE24(command.cdb + 6)};
}

bool FirmwareBuffers::Stage(ScsiCommand& command, std::vector<uint8_t>& buffer, uint32_t offset,
                            uint32_t length) {
  if (uint64_t{offset} + length > kFirmwareStageCapacity) {
    command.Fail(kInvalidFieldInCdb);
    return false;
  }
  if (!command.HasOutData(length)) return false;
  if (buffer.size() < offset + length) buffer.resize(offset + length, 0);
  if (length > 0) std::memcpy(buffer.data() + offset, command.data, length);
  return true;
}

void FirmwareBuffers::ReplyFrom(ScsiCommand& command, const std::vector<uint8_t>& buffer, uint32_t offset,
                                uint32_t length) {
  if (uint64_t{offset} + length > kFirmwareStageCapacity) {
    command.Fail(kInvalidFieldInCdb);
    return;
  }
  uint32_t count = std::min(length, command.dataLength);
  if (command.data == nullptr) return;
  for (uint32_t i = 0; i < count; ++i) {
    size_t at = size_t{offset} + i;
    command.data[i] = at < buffer.size() ? buffer[at] : 0;
  }
}

std::string FirmwareBuffers::RevisionIn(const std::vector<uint8_t>& image) {
  if (image.size() < 4) return {};
  for (size_t i = 0; i < 4; ++i)
    if (image[i] < 0x20 || image[i] > 0x7E) return {};
  return std::string(image.begin(), image.begin() + 4);
}

std::unique_ptr<FirmwareBuffers> MakeFirmwareBuffers(FirmwareKind kind) {
  switch (kind) {
    case FirmwareKind::SysMec: return std::make_unique<Qxw7100Firmware>();
    case FirmwareKind::Type1: return std::make_unique<Qxw7200Firmware>();
    case FirmwareKind::None: break;
  }
  return nullptr;
}

}  // namespace simbus
