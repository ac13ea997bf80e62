// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/simbus/Qxw7200Firmware.h"

#include <cstring>

#include "managers/simbus/Bytes.h"

namespace simbus {
namespace {

constexpr uint8_t kMode = 5;
constexpr uint8_t kRomIn = 0x00;
constexpr uint8_t kRomExt = 0x01;
constexpr uint8_t kLoaderInfo = 0xF3;
constexpr uint8_t kLoaderImage = 0xF4;
constexpr uint8_t kStartLoader = 0xF5;
constexpr uint8_t kCommit = 0xF8;
constexpr uint32_t kLoaderInfoLength = 16;
constexpr char kCommitMarker[] = "HALVERN";

}  // namespace

void Qxw7200Firmware::Restart() {
  mode_ = FirmwareMode::Normal;
  haveLoaderInfo_ = false;
  loadAddress_ = startAddress_ = 0;
  loader_.clear();
  romIn_.clear();
  romExt_.clear();
}

void Qxw7200Firmware::Write(ScsiCommand& command) {
  BufferFields f = Fields(command);
  if (f.mode != kMode) {
    command.Fail(kInvalidFieldInCdb);
    return;
  }
  switch (f.id) {
    case kRomIn:
    case kRomExt:
      if (f.length == 0) {  // the request to enter boot mode
        if (mode_ == FirmwareMode::Normal) mode_ = FirmwareMode::Boot;
        return;
      }
      if (mode_ != FirmwareMode::Loader) {
        command.Fail(kCommandSequenceError);
        return;
      }
      Stage(command, f.id == kRomIn ? romIn_ : romExt_, f.offset, f.length);
      return;
    case kLoaderInfo: LoaderInfo(command, f.length); return;
    case kLoaderImage: LoaderImage(command, f.offset, f.length); return;
    case kStartLoader: StartLoader(command, f.offset); return;
    case kCommit: Commit(command, f.length); return;
    default: command.Fail(kInvalidFieldInCdb); return;
  }
}

void Qxw7200Firmware::LoaderInfo(ScsiCommand& command, uint32_t length) {
  if (mode_ != FirmwareMode::Boot) {
    command.Fail(kCommandSequenceError);
    return;
  }
  if (length < kLoaderInfoLength) {
    command.Fail(kParameterListLengthError);
    return;
  }
  if (!command.HasOutData(kLoaderInfoLength)) return;
  loadAddress_ = GetBE32(command.data);
  startAddress_ = GetBE32(command.data + 8);
  haveLoaderInfo_ = true;
  loader_.clear();
}

void Qxw7200Firmware::LoaderImage(ScsiCommand& command, uint32_t offset, uint32_t length) {
  if (mode_ != FirmwareMode::Boot || !haveLoaderInfo_) {
    command.Fail(kCommandSequenceError);
    return;
  }
  if (offset < loadAddress_) {
    command.Fail(kInvalidFieldInCdb);
    return;
  }
  Stage(command, loader_, offset - loadAddress_, length);
}

void Qxw7200Firmware::StartLoader(ScsiCommand& command, uint32_t address) {
  if (mode_ == FirmwareMode::Loader) return;
  if (mode_ != FirmwareMode::Boot || !haveLoaderInfo_ || loader_.empty()) {
    command.Fail(kCommandSequenceError);
    return;
  }
  if (address != (startAddress_ & 0xFFFFFF)) {
    command.Fail(kInvalidFieldInCdb);
    return;
  }
  mode_ = FirmwareMode::Loader;
}

void Qxw7200Firmware::Commit(ScsiCommand& command, uint32_t length) {
  const size_t markerLength = std::strlen(kCommitMarker);
  if (mode_ != FirmwareMode::Loader || romIn_.empty()) {
    command.Fail(kCommandSequenceError);
    return;
  }
  if (length != markerLength || !command.HasOutData(length)) {
    if (!command.failed) command.Fail(kParameterListLengthError);
    return;
  }
  if (std::memcmp(command.data, kCommitMarker, markerLength) != 0) {
    command.Fail(kInvalidFieldInParameterList);
    return;
  }
  committed_ = NewFirmware{RevisionIn(romIn_), {}};
}

void Qxw7200Firmware::Read(ScsiCommand& command) {
  BufferFields f = Fields(command);
  if (f.mode != kMode || (f.id != kRomIn && f.id != kRomExt)) {
    command.Fail(kInvalidFieldInCdb);
    return;
  }
  if (mode_ != FirmwareMode::Loader) {
    command.Fail(kCommandSequenceError);
    return;
  }
  ReplyFrom(command, f.id == kRomIn ? romIn_ : romExt_, f.offset, f.length);
}

}  // namespace simbus
