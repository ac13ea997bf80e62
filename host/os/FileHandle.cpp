// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/os/FileHandle.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

namespace host {
namespace {

int OpenFlags(uint32_t access, uint32_t disposition) {
  int flags = O_CLOEXEC;
  bool reads = (access & kGenericRead) != 0;
  bool writes = (access & kGenericWrite) != 0;
  flags |= writes ? (reads ? O_RDWR : O_WRONLY) : O_RDONLY;
  switch (disposition) {
    case kCreateNew: flags |= O_CREAT | O_EXCL; break;
    case kCreateAlways:
    case kOpenAlways: flags |= O_CREAT; break;
    default: break;
  }
  return flags;
}

// Opens that only read and let others read may stand side by side; an open
// that shares both ways is permissive too. Everything else wants the file to
// itself.
int LockFor(uint32_t access, uint32_t share) {
  bool writes = (access & kGenericWrite) != 0;
  bool sharesRead = (share & kFileShareRead) != 0;
  bool sharesWrite = (share & kFileShareWrite) != 0;
  if (sharesRead && (!writes || sharesWrite)) return LOCK_SH;
  return LOCK_EX;
}

}  // namespace

FileHandle::~FileHandle() { Close(); }

FileHandle::FileHandle(FileHandle&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), lastError_(other.lastError_) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    lastError_ = other.lastError_;
  }
  return *this;
}

bool FileHandle::Open(const std::string& name, uint32_t access, uint32_t share, uint32_t disposition,
                      uint32_t attributes) {
  const bool noFollow = (attributes & kOpenNoFollow) != 0;
  Close();
  if (name.empty()) {
    lastError_ = ENOENT;
    return false;
  }
  // Only regular files hold images, logs and firmware. A FIFO would block
  // the open until someone opens its other end, a device file may act on its
  // open: neither is opened at all.
  struct stat before {};
  if ((noFollow ? ::lstat(name.c_str(), &before) : ::stat(name.c_str(), &before)) == 0 && !S_ISREG(before.st_mode)) {
    lastError_ = S_ISDIR(before.st_mode) ? EISDIR : S_ISLNK(before.st_mode) ? kSymbolicLink : kNotRegularFile;
    return false;
  }
  // Non-blocking, should the name have become a FIFO since: the check after
  // the open refuses it then.
  int fd = ::open(name.c_str(), OpenFlags(access, disposition) | O_NONBLOCK | (noFollow ? O_NOFOLLOW : 0), 0666);
  if (fd < 0) {
    // A link put there since the check is refused the same way.
    lastError_ = noFollow && errno == ELOOP ? kSymbolicLink : errno;
    return false;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    lastError_ = errno;
    ::close(fd);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    lastError_ = S_ISDIR(info.st_mode) ? EISDIR : kNotRegularFile;
    ::close(fd);
    return false;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  // Lock first, truncate after: a conflicting open must not empty the file.
  if (::flock(fd, LockFor(access, share) | LOCK_NB) != 0) {
    lastError_ = errno == EWOULDBLOCK ? kInUse : errno;
    ::close(fd);
    return false;
  }
  bool truncates = disposition == kCreateAlways || disposition == kTruncateExisting;
  if (truncates && ::ftruncate(fd, 0) != 0) {
    lastError_ = errno;
    ::close(fd);
    return false;
  }
  fd_ = fd;
  lastError_ = 0;
  return true;
}

std::string FileHandle::LastErrorText() const {
  switch (lastError_) {
    case 0: return {};
    // A lock held by another process conflicts as well as one of our own.
    case kInUse: return "in use by this or another program";
    case kNotRegularFile: return "not a regular file";
    case kSymbolicLink: return "a symbolic link, which is not followed";
    default: return std::generic_category().message(lastError_);
  }
}

void FileHandle::Close() {
  if (fd_ >= 0) {
    ::close(fd_);  // releases the flock with the last descriptor
    fd_ = -1;
  }
}

bool FileHandle::Read(void* buffer, uint32_t count, uint32_t* got) {
  if (got) *got = 0;
  if (fd_ < 0) {
    lastError_ = EBADF;
    return false;
  }
  ssize_t done;
  do {
    done = ::read(fd_, buffer, count);
  } while (done < 0 && errno == EINTR);
  if (done < 0) {
    lastError_ = errno;
    return false;
  }
  if (got) *got = static_cast<uint32_t>(done);
  return true;
}

bool FileHandle::Write(const void* buffer, uint32_t count, uint32_t* written) {
  if (written) *written = 0;
  if (fd_ < 0) {
    lastError_ = EBADF;
    return false;
  }
  const char* from = static_cast<const char*>(buffer);
  uint32_t total = 0;
  while (total < count) {
    ssize_t done = ::write(fd_, from + total, count - total);
    if (done < 0) {
      if (errno == EINTR) continue;
      lastError_ = errno;
      if (written) *written = total;
      return false;
    }
    total += static_cast<uint32_t>(done);
  }
  if (written) *written = total;
  return true;
}

bool FileHandle::SeekTo(uint64_t position) {
  if (fd_ < 0 || position > static_cast<uint64_t>(INT64_MAX) ||
      ::lseek(fd_, static_cast<off_t>(position), SEEK_SET) < 0) {
    lastError_ = fd_ < 0 ? EBADF : (errno ? errno : EINVAL);
    return false;
  }
  return true;
}

bool FileHandle::SeekForward(uint64_t distance) {
  if (fd_ < 0 || distance > static_cast<uint64_t>(INT64_MAX) ||
      ::lseek(fd_, static_cast<off_t>(distance), SEEK_CUR) < 0) {
    lastError_ = fd_ < 0 ? EBADF : (errno ? errno : EINVAL);
    return false;
  }
  return true;
}

std::optional<uint64_t> FileHandle::Size() {
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0) return std::nullopt;
  return static_cast<uint64_t>(info.st_size);
}

std::optional<std::string> FullPathName(const std::string& path) {
  if (path.empty()) return std::nullopt;
  std::error_code error;
  auto absolute = std::filesystem::absolute(path, error);
  if (error) return std::nullopt;
  return absolute.lexically_normal().string();
}

std::optional<DiskSpace> QueryDiskSpace(const std::string& fullPath) {
  std::filesystem::path at(fullPath);
  std::error_code error;
  while (!at.empty() && !std::filesystem::is_directory(at, error)) {
    auto parent = at.parent_path();
    if (parent == at) break;
    at = parent;
  }
  if (at.empty()) return std::nullopt;
  struct statvfs info {};
  if (::statvfs(at.c_str(), &info) != 0) return std::nullopt;
  DiskSpace space;
  space.freeBytes = static_cast<uint64_t>(info.f_frsize) * info.f_bavail;
  space.totalBytes = static_cast<uint64_t>(info.f_frsize) * info.f_blocks;
  return space;
}

}  // namespace host
