// SPDX-License-Identifier: GPL-3.0-or-later
#include "readscan/TReadScanThread.h"

#include "readscan/DeviceScanSource.h"

TReadScanThread::TReadScanThread(SCSIDEV& drive)
    : ownSource_(std::make_unique<DeviceScanSource>(drive)), scan_(*ownSource_, steadyClock_) {}

TReadScanThread::TReadScanThread(ScanSource& source, ScanClock& clock, ReadScan::Options options)
    : scan_(source, clock, options) {}

TReadScanThread::~TReadScanThread() {
  Terminate();
  WaitFor();
}

void TReadScanThread::Execute() {
  scan_.Run([this] { return Terminated(); });
}
