// SPDX-License-Identifier: GPL-3.0-or-later
// Node: one SCSI generic device node as the manager's workers use it, and
// what one command through it gives back. LinuxNode is the real one (SG_IO
// on /dev/sgN); tests put nodes of their own in its place.
//
// Contract for an implementation: Run carries out one command and returns
// when the kernel has answered (or refused) it. It moves at most
// command.length bytes through command.data in command.direction, and is
// called by one thread at a time per node. It never keeps command.data after
// it returns.
//
// A node may also run a command in two halves, so that a caller can wait a
// bounded time and leave the rest of the wait to another thread: Begin sends
// the command (false when the node cannot run it that way; Run is then the
// way), Collect waits at most timeoutMs for its answer (nothing when it has
// not come). Between them no other command goes to the node, and
// command.data and the command block stay valid until Collect has answered.
// Each half is called by one thread at a time.
//
// A node may also keep several commands in the kernel at once: Queue sends
// a command under a tag of the caller's choosing (false when the node cannot;
// nothing was sent then), CollectAny waits at most timeoutMs for the answer
// of any queued command and says whose it is. A queued command's block and
// data stay valid until its answer has been collected. Commands in halves
// and queued commands are never in the kernel at the same time.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace sg {

enum class Direction { None, In, Out };

struct Command {
  const uint8_t* cdb = nullptr;
  uint8_t cdbLength = 0;
  Direction direction = Direction::None;
  uint8_t* data = nullptr;
  uint32_t length = 0;
  uint32_t timeoutMs = 0;  // after this the kernel's error handling stops the command
};

// Room for the sense data the kernel returns.
inline constexpr size_t kSenseRoom = 252;

// The kernel's answer, field for field as the SG_IO header reports it.
struct Result {
  int error = 0;              // errno when the kernel refused the call; 0 when the command ran
  uint8_t status = 0;         // SCSI status byte from the target
  uint16_t hostStatus = 0;    // the host adapter driver's view (DID_* values)
  uint16_t driverStatus = 0;  // the midlayer's view (DRIVER_* values)
  uint8_t senseLength = 0;    // bytes of sense written
  uint32_t residual = 0;      // bytes of the transfer that did not move (0 when not reported)
  std::array<uint8_t, kSenseRoom> sense{};
};

// The answer of a queued command.
struct TaggedResult {
  uint32_t tag = 0;
  Result result;
};

class Node {
 public:
  virtual ~Node() = default;
  virtual Result Run(const Command& command) = 0;
  virtual bool Begin(const Command&) { return false; }
  virtual std::optional<Result> Collect(int /*timeoutMs*/) { return std::nullopt; }
  virtual bool Queue(const Command&, uint32_t /*tag*/) { return false; }
  virtual std::optional<TaggedResult> CollectAny(int /*timeoutMs*/) { return std::nullopt; }
};

// The outcome of opening a node: a node, or the errno of the failed open.
struct OpenedNode {
  std::unique_ptr<Node> node;
  int error = 0;
  bool readOnly = false;  // opened for reading only: commands that change the medium are refused
};

// Opens the node at a path such as "/dev/sg3".
using NodeOpener = std::function<OpenedNode(const std::string& path)>;

// A block device held exclusively (an O_EXCL open of /dev/srN: refused while
// it is mounted or another program holds it so); let go with the object.
class BlockHold {
 public:
  virtual ~BlockHold() = default;
};
struct HeldBlock {
  std::unique_ptr<BlockHold> hold;
  int error = 0;  // errno of the failed open
};
using BlockHolder = std::function<HeldBlock(const std::string& path)>;

}  // namespace sg
