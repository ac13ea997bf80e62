// SPDX-License-Identifier: GPL-3.0-or-later
// SourceFeed: the source of an operation over several writers, opened once
// and read by volume position from any thread, one read at a time: an image
// file (opened for reading and sharing nothing, as a single pass's reader
// opens it) or a device (its address set before each read). Every pass of
// every writer reads the source through it, so the file is opened once for
// the whole operation and a device is used by one thread at a time.
//
// It counts the bytes it reads, so that a benchmark or a test can tell how
// often the volume was read.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "base/CFILE.h"
#include "transfer/Endpoint.h"

class SourceFeed {
 public:
  // start: byte position of the volume in the source.
  SourceFeed(const Endpoint& source, uint64_t start);
  SourceFeed(const SourceFeed&) = delete;
  SourceFeed& operator=(const SourceFeed&) = delete;

  // The file could not be opened (ReportError says why).
  bool Error() const { return openFailed_; }
  bool IsFile() const { return source_.IsFile(); }
  // "<file>" or "HA,ID,LUN".
  std::string Name() const { return source_.Describe(); }
  // Bytes of the source from the volume's start on, as the file held them
  // when it was opened or at a read that met its end; a device holds all.
  uint64_t Held() const { return held_.load(); }
  // The source holds the volume up to end (the padding of a last partial
  // sector aside).
  bool Holds(uint64_t end) const;
  // "<file> is shorter than the volume size (<held> of <size> bytes)."
  std::string ShortText(uint64_t size) const;
  // Says why the source failed: the file's error text or the device's error
  // report, in a box when showBox.
  void ReportError(bool showBox);

  // Reads count bytes at volume position offset into buffer. moved gets the
  // bytes the source held there (a file may end early; the rest of buffer
  // is then left as it was). False when the read failed.
  bool ReadAt(uint64_t offset, uint8_t* buffer, uint32_t count, uint32_t& moved);

  // Bytes read from the source so far.
  uint64_t BytesRead() const { return bytesRead_.load(); }

 private:
  bool ReadDevice(uint64_t offset, uint8_t* buffer, uint32_t count);

  const Endpoint source_;
  const uint64_t start_;
  std::mutex mutex_;  // one read at a time
  CFILE file_;
  bool openFailed_ = false;
  std::atomic<uint64_t> held_{UINT64_MAX};
  std::atomic<uint64_t> bytesRead_{0};
};
