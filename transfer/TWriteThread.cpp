// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/TWriteThread.h"

#include "base/NumberText.h"
#include "devices/SCSIDEV.h"
#include "base/TextFormat.h"

namespace {

constexpr uint32_t kSector2K = 2048;

constexpr TWorkThread::StepLines kFileLines{
    "[Error (W) File1] restSize: %X%08XH", "[Terminated (W) File1] restSize: %X%08XH",
    "[Error (W) File2] restSize: %X%08XH", "[Terminated (W) File2] restSize: %X%08XH"};
constexpr TWorkThread::StepLines kDeviceLines{
    "[Error (W) Scsi] restSize: %X%08XH", "[Terminated (W) Scsi] restSize: %X%08XH",
    "[Error (W) Scsi2] restSize: %X%08XH", "[Terminated (W) Scsi2] restSize: %X%08XH"};

}  // namespace

TWriteThread::TWriteThread(SCSIDEV& device, uint64_t start, uint64_t size) : TWorkThread(&device, start, size) {}

TWriteThread::TWriteThread(const std::string& fileName, uint64_t start, uint64_t size) : TWorkThread(start, size) {
  // Whether an existing file may be replaced has been decided before (the
  // copy asks once, TOperationThread::MayWriteOver).
  if (!File().Open(fileName, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, 0)) SetError();
}

TWriteThread::~TWriteThread() { Join(); }

void TWriteThread::Execute() { RunLoop(false, FileMode() ? kFileLines : kDeviceLines); }

bool TWriteThread::Position() {
  if (FileMode()) return File().Seek(StartPosition());
  Device()->SetAddress(static_cast<uint32_t>(CeilDiv64(StartPosition(), kSector2K)));
  return true;
}

bool TWriteThread::Transfer(uint8_t* buffer, uint32_t count, uint32_t& moved) {
  moved = count;
  if (FileMode()) return File().Write(buffer, count, &moved);
  // A device write pads the buffer in place up to its next block.
  return Device()->FitsBuffer(count, StepBytes()) && Device()->Write(buffer, count);
}
