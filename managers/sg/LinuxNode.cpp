// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/sg/LinuxNode.h"

#include <fcntl.h>
#include <poll.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace sg {
namespace {

// SG_IO and the version 3 header came with this driver version.
constexpr int kLowestDriverVersion = 30000;

int OpenNode(const std::string& path, int access) {
  int fd;
  do {
    fd = ::open(path.c_str(), access | O_NONBLOCK | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

int TransferDirection(Direction direction) {
  switch (direction) {
    case Direction::In: return SG_DXFER_FROM_DEV;
    case Direction::Out: return SG_DXFER_TO_DEV;
    case Direction::None: break;
  }
  return SG_DXFER_NONE;
}

// The header of one command, its sense going to result.
sg_io_hdr_t HeaderFor(const Command& command, Result& result) {
  sg_io_hdr_t header{};
  header.interface_id = 'S';
  header.dxfer_direction = command.length == 0 ? SG_DXFER_NONE : TransferDirection(command.direction);
  header.cmd_len = command.cdbLength;
  header.mx_sb_len = static_cast<unsigned char>(result.sense.size());
  header.dxfer_len = header.dxfer_direction == SG_DXFER_NONE ? 0 : command.length;
  header.dxferp = header.dxfer_direction == SG_DXFER_NONE ? nullptr : command.data;
  header.cmdp = const_cast<unsigned char*>(command.cdb);
  header.sbp = result.sense.data();
  header.timeout = command.timeoutMs;
  return header;
}

void TakeAnswer(const sg_io_hdr_t& header, Result& result) {
  result.status = header.status;
  result.hostStatus = header.host_status;
  result.driverStatus = header.driver_status;
  result.senseLength = header.sb_len_wr;
  result.residual = header.resid > 0 ? static_cast<uint32_t>(header.resid) : 0;
}

// The descriptor of an exclusively opened block device.
class FdHold : public BlockHold {
 public:
  explicit FdHold(int fd) : fd_(fd) {}
  ~FdHold() override { ::close(fd_); }
  FdHold(const FdHold&) = delete;
  FdHold& operator=(const FdHold&) = delete;

 private:
  int fd_;
};

// Checks the driver version; a node that is no SCSI generic one is closed.
OpenedNode Checked(int fd, OpenedNode opened) {
  int version = 0;
  if (::ioctl(fd, SG_GET_VERSION_NUM, &version) < 0 || version < kLowestDriverVersion) {
    ::close(fd);
    opened.error = ENOTTY;
    opened.readOnly = false;
    return opened;
  }
  opened.node = std::make_unique<LinuxNode>(fd);
  return opened;
}

}  // namespace

OpenedNode LinuxNode::OpenExclusive(const std::string& path) {
  OpenedNode opened;
  int fd = OpenNode(path, O_RDWR | O_EXCL);
  if (fd < 0) {
    opened.error = errno;
    return opened;
  }
  return Checked(fd, std::move(opened));
}

HeldBlock LinuxNode::HoldBlock(const std::string& path) {
  HeldBlock held;
  int fd = OpenNode(path, O_RDONLY | O_EXCL);
  if (fd < 0) {
    held.error = errno;
    return held;
  }
  held.hold = std::make_unique<FdHold>(fd);
  return held;
}

OpenedNode LinuxNode::Open(const std::string& path) {
  OpenedNode opened;
  int fd = OpenNode(path, O_RDWR);
  if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
    opened.error = errno;
    fd = OpenNode(path, O_RDONLY);
    opened.readOnly = fd >= 0;
  }
  if (fd < 0) {
    opened.error = errno;
    return opened;
  }
  return Checked(fd, std::move(opened));
}

LinuxNode::~LinuxNode() { ::close(fd_); }

Result LinuxNode::Run(const Command& command) {
  Result result;
  sg_io_hdr_t header = HeaderFor(command, result);
  // The worker that calls this blocks every signal, so the call is never
  // interrupted (an interrupted SG_IO could be restarted and send the
  // command twice).
  if (::ioctl(fd_, SG_IO, &header) < 0) {
    result.error = errno;
    return result;
  }
  TakeAnswer(header, result);
  return result;
}

bool LinuxNode::Begin(const Command& command) {
  if (!halves_) return false;
  collected_ = Result{};
  started_ = HeaderFor(command, collected_);
  return WriteHeader(started_);
}

bool LinuxNode::WriteHeader(sg_io_hdr_t& header) {
  // A written header is only queued: the command itself has not run, so a
  // write that fails can be taken back into Run without sending it twice.
  ssize_t written;
  do {
    written = ::write(fd_, &header, sizeof header);
  } while (written < 0 && errno == EINTR);
  if (written == static_cast<ssize_t>(sizeof header)) return true;
  // A node open for reading only takes no writes, now or later.
  if (written < 0 && errno == EBADF) halves_ = false;
  return false;
}

std::optional<sg_io_hdr_t> LinuxNode::ReadAnswer(int timeoutMs, int& error) {
  error = 0;
  pollfd entry{fd_, POLLIN, 0};
  int ready;
  do {
    ready = ::poll(&entry, 1, timeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready == 0) return std::nullopt;
  // The node is non-blocking: a read before the answer has come finds
  // nothing (EAGAIN) and is tried again at the next look.
  sg_io_hdr_t header{};
  header.interface_id = 'S';
  ssize_t got;
  do {
    got = ::read(fd_, &header, sizeof header);
  } while (got < 0 && errno == EINTR);
  if (got < 0 && errno == EAGAIN) return std::nullopt;
  if (got < 0) error = errno;
  return header;
}

std::optional<Result> LinuxNode::Collect(int timeoutMs) {
  int error = 0;
  std::optional<sg_io_hdr_t> answer = ReadAnswer(timeoutMs, error);
  if (!answer) return std::nullopt;
  if (error != 0) {
    collected_.error = error;
    return collected_;
  }
  TakeAnswer(*answer, collected_);
  return collected_;
}

bool LinuxNode::Queue(const Command& command, uint32_t tag) {
  std::lock_guard lock(queuedMutex_);
  if (!halves_ || tag > 0x7FFFFFFF || queued_.count(tag) != 0) return false;
  Result& result = queued_[tag];
  sg_io_hdr_t header = HeaderFor(command, result);
  header.pack_id = static_cast<int>(tag);
  if (WriteHeader(header)) return true;
  queued_.erase(tag);
  return false;
}

std::optional<TaggedResult> LinuxNode::CollectAny(int timeoutMs) {
  {
    std::lock_guard lock(queuedMutex_);
    if (queued_.empty()) return std::nullopt;
  }
  int error = 0;
  std::optional<sg_io_hdr_t> answer = ReadAnswer(timeoutMs, error);
  if (!answer) return std::nullopt;
  std::lock_guard lock(queuedMutex_);
  // A failed read names no command: it ends the oldest one.
  auto entry = error != 0 ? queued_.begin() : queued_.find(static_cast<uint32_t>(answer->pack_id));
  if (entry == queued_.end()) return std::nullopt;
  TaggedResult tagged{entry->first, entry->second};
  queued_.erase(entry);
  if (error != 0)
    tagged.result.error = error;
  else
    TakeAnswer(*answer, tagged.result);
  return tagged;
}

}  // namespace sg
