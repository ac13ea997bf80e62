// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/simbus/SectorFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace simbus {

SectorFile::~SectorFile() { Close(); }

bool SectorFile::Open(const std::string& path, bool writable, bool create, std::string* error) {
  Close();
  int flags = (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | (create && writable ? O_CREAT : 0);
  fd_ = ::open(path.c_str(), flags, 0644);
  if (fd_ < 0) {
    if (error != nullptr) *error = path + ": " + std::strerror(errno);
    return false;
  }
  writable_ = writable;
  return true;
}

void SectorFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

uint64_t SectorFile::Size() const {
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0) return 0;
  return static_cast<uint64_t>(info.st_size);
}

bool SectorFile::Resize(uint64_t size) {
  return fd_ >= 0 && writable_ && ::ftruncate(fd_, static_cast<off_t>(size)) == 0;
}

bool SectorFile::ReadAt(uint64_t offset, uint8_t* out, uint32_t length) const {
  if (fd_ < 0) return false;
  uint32_t done = 0;
  while (done < length) {
    ssize_t got = ::pread(fd_, out + done, length - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) {  // end of file: the rest reads as zeros
      std::memset(out + done, 0, length - done);
      return true;
    }
    done += static_cast<uint32_t>(got);
  }
  return true;
}

bool SectorFile::WriteAt(uint64_t offset, const uint8_t* in, uint32_t length) {
  if (fd_ < 0 || !writable_) return false;
  uint32_t done = 0;
  while (done < length) {
    ssize_t put = ::pwrite(fd_, in + done, length - done, static_cast<off_t>(offset + done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<uint32_t>(put);
  }
  return true;
}

bool SectorFile::Flush() { return fd_ >= 0 && ::fdatasync(fd_) == 0; }

}  // namespace simbus
