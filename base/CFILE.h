// SPDX-License-Identifier: GPL-3.0-or-later
// CFILE: one file on a local disk (a disc image, a firmware file, the log),
// with 64-bit size and position bookkeeping, an error code for the last
// failure and the name it was opened with for error messages.
//
// Each Read and Write is one call with the caller's buffer; nothing is
// buffered or allocated per transfer. A CFILE is used by one thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "host/os/FileHandle.h"

// Open arguments, with the values of the file API the program was built on.
inline constexpr uint32_t GENERIC_READ = host::kGenericRead;
inline constexpr uint32_t GENERIC_WRITE = host::kGenericWrite;
inline constexpr uint32_t FILE_SHARE_READ = host::kFileShareRead;
inline constexpr uint32_t FILE_SHARE_WRITE = host::kFileShareWrite;
inline constexpr uint32_t CREATE_NEW = host::kCreateNew;
inline constexpr uint32_t CREATE_ALWAYS = host::kCreateAlways;
inline constexpr uint32_t OPEN_EXISTING = host::kOpenExisting;
inline constexpr uint32_t OPEN_ALWAYS = host::kOpenAlways;
inline constexpr uint32_t FILE_ATTRIBUTE_NORMAL = host::kFileAttributeNormal;

class CFILE {
 public:
  enum ErrorCode : int32_t { kNoError = 0, kOpenError = 1, kReadError = 2, kWriteError = 3, kSeekError = 4 };

  CFILE() = default;
  CFILE(const CFILE&) = delete;
  CFILE& operator=(const CFILE&) = delete;

  // attributes is accepted for the callers' sake; POSIX files have none to set.
  bool Open(const std::string& name, uint32_t access, uint32_t shareMode, uint32_t disposition,
            uint32_t attributes);
  void Close();
  bool IsOpen() const { return handle_.IsOpen(); }

  static bool FileExists(const std::string& name);

  // The file size (0 and "0" when closed); text gets it in grouped decimal.
  uint64_t GetSize(std::string* text = nullptr);
  bool Read(void* buffer, uint32_t count, uint32_t* got = nullptr);
  bool Write(const void* buffer, uint32_t count, uint32_t* written = nullptr);
  bool WriteText(const char* text);
  bool WriteText(std::string_view text);
  bool Seek(uint64_t position);
  void Skip(uint32_t distance);
  // The next line ended by CR, LF or a pair of them; false at the end of the
  // file, for a last line without a terminator and for lines of 4096 bytes or
  // more.
  bool ReadLine(std::string& text);

  // Free bytes on the disk that holds the file name.
  uint64_t GetDiskFree();
  // The message for the current error: prefix, file name and, in brackets,
  // the system's reason ("Open error: a.iso (No such file or directory)").
  // showBox also shows it in an error box. Always traced.
  std::string ErrorText(bool showBox);

  const std::string& FileName() const { return fileName_; }
  uint64_t Size() const { return size_; }
  uint64_t Position() const { return position_; }
  int32_t Error() const { return error_; }

 private:
  host::FileHandle handle_;
  std::string fileName_;
  uint64_t size_ = 0;
  uint64_t position_ = 0;
  int32_t error_ = kNoError;
};

// Free and total bytes of the disk (file system) that holds path. A path
// whose full name cannot be formed gives the "GetFullPathName() failed." box
// and 0; a disk that cannot be asked gives 0.
uint64_t DiskFreeBytes(const std::string& path);
uint64_t DiskTotalBytes(const std::string& path);

// Before a file is created anew: true when no file of that name exists, or
// the person answered Yes to "NAME already exists.\r\nDo you wish to
// overwrite it?" (No is the default).
bool MayOverwrite(const std::string& fileName);
