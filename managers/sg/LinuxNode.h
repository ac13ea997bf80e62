// SPDX-License-Identifier: GPL-3.0-or-later
// LinuxNode: a SCSI generic device node (/dev/sgN). Run is one SG_IO call;
// Begin and Collect run a command in two halves through the driver's own
// asynchronous form (the same header written to the node, then read back
// once the answer has come; poll says when). Queue and CollectAny use the
// same form with several commands written before their answers are read,
// each header carrying its tag as the driver's pack_id. A node opened for reading only
// cannot be written to: it runs every command through Run. The descriptor
// is closed with the object.
#pragma once

#include <scsi/sg.h>

#include <map>
#include <mutex>
#include <string>

#include "managers/sg/Node.h"

namespace sg {

class LinuxNode : public Node {
 public:
  // Opens for reading and writing; where that is not allowed, for reading
  // only (the kernel then refuses commands that change the medium). Fails
  // with ENOTTY for a node that is not a SCSI generic one.
  static OpenedNode Open(const std::string& path);
  // Opens for reading and writing with O_EXCL: refused (EBUSY) while any
  // other descriptor of the node is open, and then no one else opens it
  // until this one is closed.
  static OpenedNode OpenExclusive(const std::string& path);
  // Opens a block device (/dev/srN) with O_EXCL for reading.
  static HeldBlock HoldBlock(const std::string& path);

  explicit LinuxNode(int fd) : fd_(fd) {}
  ~LinuxNode() override;
  LinuxNode(const LinuxNode&) = delete;
  LinuxNode& operator=(const LinuxNode&) = delete;

  Result Run(const Command& command) override;
  bool Begin(const Command& command) override;
  std::optional<Result> Collect(int timeoutMs) override;
  bool Queue(const Command& command, uint32_t tag) override;
  std::optional<TaggedResult> CollectAny(int timeoutMs) override;

 private:
  bool WriteHeader(sg_io_hdr_t& header);
  // Waits at most timeoutMs for an answer and reads its header; nothing
  // when none came (an errno in the result when the read failed).
  std::optional<sg_io_hdr_t> ReadAnswer(int timeoutMs, int& error);

  int fd_;
  bool halves_ = true;  // false once the node refused a written command
  sg_io_hdr_t started_{};
  Result collected_;  // its sense area is the one the started command fills
  // By tag: the sense area each queued command fills. Queue and CollectAny
  // may run on two threads at once.
  std::mutex queuedMutex_;
  std::map<uint32_t, Result> queued_;
};

}  // namespace sg
