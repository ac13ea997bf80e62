// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/TReadThread.h"

#include <algorithm>

#include "base/Log.h"
#include "base/NumberText.h"
#include "devices/SCSIDEV.h"
#include "transfer/SourceFeed.h"
#include "base/TextFormat.h"

namespace {

constexpr uint64_t kSector2K = 2048;

constexpr TWorkThread::StepLines kFileLines{
    "[Error (R) File1] restSize: %X%08XH", "[Terminated (R) File1] restSize: %X%08XH",
    "[Error (R) File2] restSize: %X%08XH", "[Terminated (R) File2] restSize: %X%08XH"};
constexpr TWorkThread::StepLines kDeviceLines{
    "[Error (R) Scsi1] restSize: %X%08XH", "[Terminated (R) Scsi1] restSize: %X%08XH",
    "[Error (R) Scsi2] restSize: %X%08XH", "[Terminated (R) Scsi2] restSize: %X%08XH"};

}  // namespace

TReadThread::TReadThread(SCSIDEV& device, uint64_t start, uint64_t size) : TWorkThread(&device, start, size) {}

TReadThread::TReadThread(const std::string& fileName, uint64_t start, uint64_t size) : TWorkThread(start, size) {
  if (!File().Open(fileName, GENERIC_READ, 0, OPEN_EXISTING, 0)) {
    SetError();
    return;
  }
  uint64_t fileSize = File().GetSize();
  held_.store(fileSize > start ? fileSize - start : 0);
}

TReadThread::TReadThread(PassSeat& seat, uint64_t size) : TWorkThread(size), seat_(&seat) {
  held_.store(seat.Feed().Held());
}

void TReadThread::ReportWorkerError(bool showBox, bool force) {
  if (seat_ != nullptr)
    seat_->Feed().ReportError(showBox);
  else
    TWorkThread::ReportWorkerError(showBox, force);
}

bool TReadThread::Covers(uint64_t held, uint64_t end) {
  // The last partial sector of a source is padded with zeros, as a device
  // write pads it: those bytes are no shortfall.
  return held >= end || CeilDiv64(held, kSector2K) * kSector2K >= end;
}

bool TReadThread::Holds(uint64_t end) const { return Covers(held_.load(), end); }

bool TReadThread::Deliver(const StepRing::Step& step) {
  if (stopAtShortfall_ && !Covers(step.offset + step.moved, step.offset + step.count)) return false;
  if (tap_) tap_(std::span<const uint8_t>(step.bytes, step.count));
  return true;
}

std::string TReadThread::ShortText() const {
  const std::string name = seat_ != nullptr ? seat_->Feed().Name() : File().FileName();
  return FormatText("%s is shorter than the volume size (%s of %s bytes).", name.c_str(),
                    FormatNumber(held_.load()).c_str(), FormatNumber(Size()).c_str());
}

TReadThread::~TReadThread() { Join(); }

void TReadThread::Execute() {
  const bool file = seat_ != nullptr ? seat_->Feed().IsFile() : FileMode();
  RunLoop(true, file ? kFileLines : kDeviceLines);
}

bool TReadThread::Position() {
  if (seat_ != nullptr) return true;  // the feed finds its own places
  if (FileMode()) return File().Seek(StartPosition());
  SCSIDEV& device = *Device();
  // The start is a byte offset; the block size must be known to turn it
  // into an address, and must divide a step so that a read never runs past
  // its half of the transfer area.
  if (device.BlockSize() == 0 && !device.SetDevice()) return false;
  if (StepBytes() % device.BlockSize() != 0) {
    AddLog(FormatText("[TReadThread::Execute] Block size %u does not divide a transfer step.",
                            device.BlockSize()));
    return false;
  }
  device.SetAddress(static_cast<uint32_t>(CeilDiv64(StartPosition(), device.BlockSize())));
  TraceOut(FormatText("[TReadThread::Execute] pDev->SetAddress %X\r\n", device.GetAddress()));
  return true;
}

bool TReadThread::Transfer(uint8_t* buffer, uint32_t count, uint32_t& moved) {
  if (seat_ != nullptr) {
    const uint64_t offset = seatOffset_;
    seatOffset_ += count;
    if (!seat_->Read(offset, buffer, count, moved, [this] { return Terminated(); })) return false;
    // A stopped reader gave up its step: that is no end of the source.
    if (moved < count && !Terminated()) held_.store(std::min(held_.load(), offset + moved));
    return true;
  }
  if (FileMode()) {
    if (!File().Read(buffer, count, &moved)) return false;
    // The file ended here (it may have shrunk since it was opened).
    if (moved < count) held_.store(std::min(held_.load(), File().Position() - StartPosition()));
    return true;
  }
  moved = count;
  return Device()->FitsBuffer(count, StepBytes()) && Device()->Read(buffer, count);
}
