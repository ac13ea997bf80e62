// LinuxNode: a SCSI generic device node (/dev/sgN). Run is one SG_IO call;
// Begin and Collect run a command in two halves through the driver's own
// asynchronous form (the same header written to the node, then read back
// once the answer has come; poll says when). A node opened for reading only
// cannot be written to: it runs every command through Run. The descriptor
// is closed with the object.
#pragma once

#include <scsi/sg.h>

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

 private:
  int fd_;
  bool halves_ = true;  // false once the node refused a written command
  sg_io_hdr_t started_{};
  Result collected_;  // its sense area is the one the started command fills
};

}  // namespace sg
