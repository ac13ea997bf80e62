// SPDX-License-Identifier: GPL-3.0-or-later
// FirmwareBuffers: the WRITE BUFFER / READ BUFFER side of a writer that takes
// firmware updates. An update is staged in buffers, committed, and runs
// after the next power cycle of the drive, which the writer performs at the
// first TEST UNIT READY or bus rescan after a commit.
//
// Where an image carries its revision: the first four bytes of the qxw7100's
// SYS image (and of its MEC image for the mechanism controller version at
// INQUIRY bytes 48-51), and the first four bytes of the qxw7200's rom_in.bin.
// Bytes that are not printable ASCII leave the revision as it was.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "managers/simbus/Models.h"
#include "managers/simbus/ScsiCommand.h"

namespace simbus {

struct NewFirmware {
  std::string revision;  // empty: unchanged
  std::string mecha;     // empty: unchanged
};

class FirmwareBuffers {
 public:
  virtual ~FirmwareBuffers() = default;
  virtual void Write(ScsiCommand& command) = 0;
  virtual void Read(ScsiCommand& command) = 0;
  // What the drive runs; an update cut off midway leaves it in boot or
  // loader mode, and a drive may start that way (Resume).
  virtual FirmwareMode Mode() const { return FirmwareMode::Normal; }
  virtual void Resume(FirmwareMode) {}
  // The character the drive shows at INQUIRY byte 32 in a special mode
  // (boot 'B', loader 'L'), or 0.
  char ModeCharacter() const;
  // A committed update waits for the power cycle.
  bool HasCommitted() const { return committed_.has_value(); }
  // The power cycle: returns the committed firmware, and staging starts over.
  NewFirmware PowerCycle();

 protected:
  virtual void Restart() = 0;
  // Fields of a WRITE/READ BUFFER command block.
  struct BufferFields {
    uint8_t mode, id;
    uint32_t offset, length;
  };
  static BufferFields Fields(const ScsiCommand& command);
  // Copies the command's data into a staging buffer at offset.
  static bool Stage(ScsiCommand& command, std::vector<uint8_t>& buffer, uint32_t offset, uint32_t length);
  // Replies from a staging buffer; bytes never written read as zeros.
  static void ReplyFrom(ScsiCommand& command, const std::vector<uint8_t>& buffer, uint32_t offset,
                        uint32_t length);
  static std::string RevisionIn(const std::vector<uint8_t>& image);

  std::optional<NewFirmware> committed_;
};

std::unique_ptr<FirmwareBuffers> MakeFirmwareBuffers(FirmwareKind kind);

inline constexpr uint32_t kFirmwareStageCapacity = 1u << 20;

}  // namespace simbus
