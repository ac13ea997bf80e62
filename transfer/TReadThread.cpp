#include "transfer/TReadThread.h"

#include "base/Log.h"
#include "base/NumberText.h"
#include "devices/SCSIDEV.h"
#include "base/TextFormat.h"

namespace {

constexpr TWorkThread::StepLines kFileLines{
    "[Error (R) File1] restSize: %X%08XH", "[Terminated (R) File1] restSize: %X%08XH",
    "[Error (R) File2] restSize: %X%08XH", "[Terminated (R) File2] restSize: %X%08XH"};
constexpr TWorkThread::StepLines kDeviceLines{
    "[Error (R) Scsi1] restSize: %X%08XH", "[Terminated (R) Scsi1] restSize: %X%08XH",
    "[Error (R) Scsi2] restSize: %X%08XH", "[Terminated (R) Scsi2] restSize: %X%08XH"};

}  // namespace

TReadThread::TReadThread(SCSIDEV& device, uint64_t start, uint64_t size) : TWorkThread(&device, start, size) {}

TReadThread::TReadThread(const std::string& fileName, uint64_t start, uint64_t size) : TWorkThread(start, size) {
  if (!File().Open(fileName, GENERIC_READ, 0, OPEN_EXISTING, 0)) SetError();
}

TReadThread::~TReadThread() { Join(); }

void TReadThread::Execute() { RunLoop(true, FileMode() ? kFileLines : kDeviceLines); }

bool TReadThread::Position() {
  if (FileMode()) return File().Seek(StartPosition());
  SCSIDEV& device = *Device();
  // The start is a byte offset; the block size must be known to turn it
  // into an address, and must divide a step so that a read never runs past
  // its half of the transfer area.
  if (device.BlockSize() == 0 && !device.SetDevice()) return false;
  if (kChunk % device.BlockSize() != 0) {
    AddLog(FormatText("[TReadThread::Execute] Block size %u does not divide a transfer step.",
                            device.BlockSize()));
    return false;
  }
  device.SetAddress(static_cast<uint32_t>(CeilDiv64(StartPosition(), device.BlockSize())));
  TraceOut(FormatText("[TReadThread::Execute] pDev->SetAddress %X\r\n", device.GetAddress()));
  return true;
}

bool TReadThread::Transfer(uint8_t* buffer, uint32_t count, uint32_t& moved) {
  if (FileMode()) return File().Read(buffer, count, &moved);
  moved = count;
  return Device()->Read(buffer, count);
}
