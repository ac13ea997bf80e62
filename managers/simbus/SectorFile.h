// SPDX-License-Identifier: GPL-3.0-or-later
// SectorFile: the file behind an emulated medium, opened once and closed by
// its destructor. Reads beyond the end of the file give zeros, so a sparse
// file of a blank disc costs no space until something is written.
#pragma once

#include <cstdint>
#include <string>

namespace simbus {

class SectorFile {
 public:
  SectorFile() = default;
  ~SectorFile();
  SectorFile(const SectorFile&) = delete;
  SectorFile& operator=(const SectorFile&) = delete;

  // Opens path; with create the file is made when missing. On failure error
  // says why.
  bool Open(const std::string& path, bool writable, bool create, std::string* error);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  bool Writable() const { return writable_; }
  uint64_t Size() const;
  // Sets the file's length; growing it leaves a hole that reads as zeros.
  bool Resize(uint64_t size);

  bool ReadAt(uint64_t offset, uint8_t* out, uint32_t length) const;
  bool WriteAt(uint64_t offset, const uint8_t* in, uint32_t length);
  bool Flush();

 private:
  int fd_ = -1;
  bool writable_ = false;
};

}  // namespace simbus
