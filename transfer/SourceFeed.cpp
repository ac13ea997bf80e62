// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/SourceFeed.h"

#include <algorithm>

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/TextFormat.h"
#include "devices/SCSIDEV.h"
#include "transfer/TReadThread.h"

SourceFeed::SourceFeed(const Endpoint& source, uint64_t start) : source_(source), start_(start) {
  if (!source_.IsFile()) return;
  if (!file_.Open(source_.file, GENERIC_READ, 0, OPEN_EXISTING, 0)) {
    openFailed_ = true;
    held_.store(0);
    return;
  }
  const uint64_t size = file_.GetSize();
  held_.store(size > start_ ? size - start_ : 0);
}

bool SourceFeed::Holds(uint64_t end) const { return TReadThread::Covers(held_.load(), end); }

std::string SourceFeed::ShortText(uint64_t size) const {
  return FormatText("%s is shorter than the volume size (%s of %s bytes).", source_.file.c_str(),
                    FormatNumber(held_.load()).c_str(), FormatNumber(size).c_str());
}

void SourceFeed::ReportError(bool showBox) {
  std::lock_guard lock(mutex_);
  if (source_.IsDevice()) {
    source_.device->ReportError(nullptr, showBox, false);
  } else if (file_.Error() != CFILE::kNoError) {
    file_.ErrorText(showBox);
  }
}

bool SourceFeed::ReadAt(uint64_t offset, uint8_t* buffer, uint32_t count, uint32_t& moved) {
  std::lock_guard lock(mutex_);
  moved = 0;
  if (openFailed_) return false;
  if (source_.IsDevice()) {
    if (!ReadDevice(offset, buffer, count)) return false;
    moved = count;
  } else {
    if (!file_.Seek(start_ + offset) || !file_.Read(buffer, count, &moved)) return false;
    // The file ended here (it may have shrunk since it was opened).
    if (moved < count) held_.store(std::min(held_.load(), offset + moved));
  }
  bytesRead_.fetch_add(moved);
  return true;
}

bool SourceFeed::ReadDevice(uint64_t offset, uint8_t* buffer, uint32_t count) {
  SCSIDEV& device = *source_.device;
  if (device.BlockSize() == 0 && !device.SetDevice()) return false;
  const uint32_t block = device.BlockSize();
  // Steps are whole 64 KiB; a block size that does not divide them would
  // read from the wrong place.
  if (offset % block != 0) {
    AddLog(FormatText("[SourceFeed] Block size %u does not divide a transfer step.", block));
    return false;
  }
  device.SetAddress(static_cast<uint32_t>(CeilDiv64(start_, block) + offset / block));
  return device.Read(buffer, count);
}
