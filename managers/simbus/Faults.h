// SPDX-License-Identifier: GPL-3.0-or-later
// Faults injected into one emulated device, as the bus description lists
// them. Each rule matches commands by operation code (any when absent),
// optionally by a block address range and, for WRITE/READ BUFFER, by the
// buffer id (command byte 2), and fires for the first N matching commands,
// from the Mth on, or always:
//   sense      the command fails with the given sense data
//   hang       the command never completes until it is aborted
//   gate       the command waits until a file (the test's release) exists,
//              or until it is aborted; then it runs as usual
//   corrupt    the command completes, but the first byte of the data it
//              returns is inverted (a read-back that does not match)
//   busy       the manager refuses the request with SS_ASPI_IS_BUSY
//   not-ready  the drive answers not ready (02/04/01 unless told) until it
//              has been polled with TEST UNIT READY `polls` times
//   support-not-initialised  the manager's support query reports that it is
//              not initialised
//   slow       the command completes, but takes `factor` times as long as
//              the drive's speed gives (a disc region that reads slowly)
//   held       another program holds the drive: the manager's hold entry
//              point refuses to hold it for the program
// The rules are checked on the adapter's worker and on the caller's thread
// (busy), so the set keeps its own lock.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "managers/simbus/ScsiCommand.h"
#include "managers/simbus/SenseCodes.h"

namespace simbus {

enum class FaultKind { Sense, Hang, Busy, NotReady, SupportNotInitialised, Corrupt, Slow, Held, Gate };

struct FaultRule {
  FaultKind kind = FaultKind::Sense;
  std::optional<uint8_t> opcode;
  std::optional<BlockRange> blocks;  // first block and count of the range
  std::optional<uint8_t> bufferId;   // WRITE/READ BUFFER to this buffer only
  uint32_t firstTimes = 0;           // fire for the first N matches (0: no limit)
  uint32_t fromTime = 0;             // fire from the Mth match on (0: from the first)
  Sense sense{};
  uint8_t vendorByte21 = 0;
  uint32_t polls = 0;                // not-ready: TEST UNIT READY polls to answer
  uint32_t factor = 20;              // slow: times the usual duration
  std::string until;                 // gate: the file whose existence releases the command
};

class Faults {
 public:
  Faults() = default;
  explicit Faults(std::vector<FaultRule> rules);

  // The sense rule that fires for this command, counting the match.
  std::optional<FaultRule> SenseFor(const ScsiCommand& command);
  bool HangFor(const ScsiCommand& command);
  // The release file of the gate rule that fires for this command.
  std::optional<std::string> GateFor(const ScsiCommand& command);
  // The corrupt rule fires for this completed command, counting the match.
  bool CorruptFor(const ScsiCommand& command);
  // How many times longer this data command takes (1: as usual), counting
  // the match of the slow rule that fires.
  uint32_t SlowFactorFor(const ScsiCommand& command);
  bool BusyFor(const uint8_t* cdb, uint8_t cdbLength);
  // Not-ready answer for this command while polls remain; a TEST UNIT READY
  // uses up one poll.
  std::optional<Sense> NotReadyFor(const ScsiCommand& command);
  bool SupportNotInitialised() const;
  bool HeldElsewhere() const;
  // Whether any rule can make a command hang, wait at a gate or run slow
  // (the adapter must then keep it abortable on its worker).
  bool CanHold() const;

 private:
  struct Entry {
    FaultRule rule;
    uint32_t matches = 0;
    uint32_t pollsLeft = 0;
  };
  Entry* Fire(FaultKind kind, const uint8_t* cdb, uint8_t cdbLength);

  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
};

}  // namespace simbus
