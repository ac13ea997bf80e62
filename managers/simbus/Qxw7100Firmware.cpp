// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/simbus/Qxw7100Firmware.h"

#include <cstring>

namespace simbus {
namespace {

constexpr uint8_t kDataMode = 5;
constexpr uint8_t kReadBackMode = 2;
constexpr uint8_t kSysBuffer = 0x00;
constexpr uint8_t kMecBuffer = 0x01;
constexpr uint8_t kSysCommit = 0xF8;
constexpr uint8_t kMecCommit = 0xF9;
constexpr uint8_t kSysReadBack = 0xFE;
constexpr uint8_t kMecReadBack = 0xFF;
constexpr uint32_t kSysReadBackOffset = 0x20000;
constexpr uint32_t kMecReadBackOffset = 0x40000;
constexpr char kSysMarker[] = "QXW-7100 SYS";
constexpr char kMecMarker[] = "QXW-7100 MEC";

}  // namespace

void Qxw7100Firmware::Restart() {
  sys_.clear();
  mec_.clear();
}

void Qxw7100Firmware::Write(ScsiCommand& command) {
  BufferFields f = Fields(command);
  if (f.mode != kDataMode) {
    command.Fail(kInvalidFieldInCdb);
    return;
  }
  switch (f.id) {
    case kSysBuffer: Stage(command, sys_, f.offset, f.length); return;
    case kMecBuffer: Stage(command, mec_, f.offset, f.length); return;
    case kSysCommit: Commit(command, kSysMarker, true); return;
    case kMecCommit: Commit(command, kMecMarker, false); return;
    default: command.Fail(kInvalidFieldInCdb); return;
  }
}

void Qxw7100Firmware::Commit(ScsiCommand& command, const char* marker, bool sys) {
  const uint32_t length = Fields(command).length;
  const size_t markerLength = std::strlen(marker);
  if (length != markerLength || !command.HasOutData(length)) {
    if (!command.failed) command.Fail(kParameterListLengthError);
    return;
  }
  if (std::memcmp(command.data, marker, markerLength) != 0) {
    command.Fail(kInvalidFieldInParameterList);
    return;
  }
  const std::vector<uint8_t>& image = sys ? sys_ : mec_;
  if (image.empty()) {
    command.Fail(kCommandSequenceError);
    return;
  }
  NewFirmware next = committed_.value_or(NewFirmware{});
  (sys ? next.revision : next.mecha) = RevisionIn(image);
  committed_ = next;
}

void Qxw7100Firmware::Read(ScsiCommand& command) {
  BufferFields f = Fields(command);
  if (f.mode == kReadBackMode && f.id == kSysReadBack && f.offset >= kSysReadBackOffset) {
    ReplyFrom(command, sys_, f.offset - kSysReadBackOffset, f.length);
  } else if (f.mode == kReadBackMode && f.id == kMecReadBack && f.offset >= kMecReadBackOffset) {
    ReplyFrom(command, mec_, f.offset - kMecReadBackOffset, f.length);
  } else {
    command.Fail(kInvalidFieldInCdb);
  }
}

}  // namespace simbus
