// SPDX-License-Identifier: GPL-3.0-or-later
// FileHandle: one open file on a local disk, with the open arguments of the
// Windows file API the program was designed around. Only regular files are
// opened.
//
// Share modes are emulated between the program's own opens with advisory
// whole-file locks (flock), which follow the file and not its name: an open
// that shares nothing conflicts with every other open of the same file, also
// through another spelling of the path or a hard link. The lock is taken
// before any truncation, so a create-always open that conflicts fails and
// leaves the file as it was. Other programs that take no locks are not held
// off; this guards the program against itself (a copy onto its own source).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace host {

// Access, share, disposition and attribute values as the program passes them.
inline constexpr uint32_t kGenericRead = 0x80000000u;
inline constexpr uint32_t kGenericWrite = 0x40000000u;
inline constexpr uint32_t kFileShareRead = 0x1u;
inline constexpr uint32_t kFileShareWrite = 0x2u;
inline constexpr uint32_t kCreateNew = 1;
inline constexpr uint32_t kCreateAlways = 2;
inline constexpr uint32_t kOpenExisting = 3;
inline constexpr uint32_t kOpenAlways = 4;
inline constexpr uint32_t kTruncateExisting = 5;
inline constexpr uint32_t kFileAttributeNormal = 0x80u;
// An attribute that opens the name itself, never what a symbolic link of
// that name points to: such a link is refused as not a regular file.
inline constexpr uint32_t kOpenNoFollow = 0x00200000u;

class FileHandle {
 public:
  FileHandle() = default;
  ~FileHandle();
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  FileHandle(FileHandle&& other) noexcept;
  FileHandle& operator=(FileHandle&& other) noexcept;

  // Opens name; on failure the handle stays closed and LastError() says why
  // (an errno value, or kInUse for a sharing conflict).
  // attributes: kOpenNoFollow or 0.
  bool Open(const std::string& name, uint32_t access, uint32_t share, uint32_t disposition,
            uint32_t attributes = 0);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  int LastError() const { return lastError_; }
  // The reason of the last failure as a person reads it: the system's text
  // ("No such file or directory"), "already open in this program" for a
  // sharing conflict; empty when nothing failed.
  std::string LastErrorText() const;

  // LastError() of an open that conflicts with another open of the program,
  // and of a name that is not a regular file (a FIFO, a device file), which
  // is refused before it is opened.
  static constexpr int kInUse = -1;
  static constexpr int kNotRegularFile = -2;
  static constexpr int kSymbolicLink = -3;

  // One read at the file pointer; got may be below count at the end of file.
  bool Read(void* buffer, uint32_t count, uint32_t* got);
  bool Write(const void* buffer, uint32_t count, uint32_t* written);
  bool SeekTo(uint64_t position);
  bool SeekForward(uint64_t distance);
  std::optional<uint64_t> Size();

 private:
  int fd_ = -1;
  int lastError_ = 0;
};

// The absolute, normalised form of path; nothing for an empty path.
std::optional<std::string> FullPathName(const std::string& path);

struct DiskSpace {
  uint64_t freeBytes = 0;
  uint64_t totalBytes = 0;
};
// The space of the file system that holds path, asked of the nearest folder on
// the way up that exists (a destination file need not exist yet).
std::optional<DiskSpace> QueryDiskSpace(const std::string& fullPath);

}  // namespace host
