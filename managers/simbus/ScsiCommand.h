// SPDX-License-Identifier: GPL-3.0-or-later
// One command as an emulated drive sees it: the command block, the data
// buffer of the request and the outcome the handler leaves behind. The
// adapter turns the outcome into target status and fixed-format sense data.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>

#include "host/aspi/OperationCodes.h"
#include "managers/simbus/SenseCodes.h"

namespace simbus {

// Operation codes the drives answer.
namespace op = ::aspi::op;

struct ScsiCommand {
  const uint8_t* cdb = nullptr;
  uint8_t cdbLength = 0;
  uint8_t* data = nullptr;   // the request's buffer, dataLength bytes
  uint32_t dataLength = 0;
  bool dataIn = false;       // the request's direction flag says the data comes in
  const std::atomic<bool>* abortRequested = nullptr;

  // Outcome.
  bool failed = false;
  Sense sense{};
  uint8_t senseFlags = 0;     // filemark / end-of-medium / incorrect-length bits
  bool informationValid = false;
  uint32_t information = 0;   // sense bytes 3-6
  uint8_t vendorByte21 = 0;
  // Progress indication of a not-ready answer (sense-key specific bytes
  // 15-17): how far a long operation has come, in 65536ths.
  std::optional<uint16_t> progress;

  uint8_t Op() const { return cdb[0]; }
  uint8_t Lun() const { return static_cast<uint8_t>(cdb[1] >> 5); }

  void Fail(Sense s) {
    failed = true;
    sense = s;
  }
  // Copies a reply into the buffer, at most `allocation` bytes and never more
  // than the buffer holds; the rest of the buffer is left alone.
  void ReplyIn(const uint8_t* reply, uint32_t length, uint32_t allocation);
  // Bytes of outgoing data the command may read: fails the command with an
  // invalid field when the buffer is shorter than `needed`.
  bool HasOutData(uint32_t needed);
  // Waits ms (times the time scale) unless the request is aborted; false when
  // it was.
  bool Pause(uint32_t ms) const;
  // Waits until the moment unless the request is aborted; false when it was.
  bool PauseUntil(std::chrono::steady_clock::time_point end) const;
  bool Aborted() const { return abortRequested != nullptr && abortRequested->load(); }
};

// The first logical block and block count a command touches, for fault
// address ranges; nothing for commands without an address.
struct BlockRange {
  uint32_t first = 0;
  uint32_t count = 0;
};
std::optional<BlockRange> CommandBlocks(const uint8_t* cdb, uint8_t cdbLength);

// Fixed-format sense data for the outcome: 22 bytes, so that vendor byte 21
// is there; out receives at most `capacity` of them. Returns the length.
uint32_t BuildFixedSense(const ScsiCommand& command, uint8_t* out, uint32_t capacity);
inline constexpr uint32_t kFixedSenseLength = 22;

}  // namespace simbus
