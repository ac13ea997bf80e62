// SPDX-License-Identifier: GPL-3.0-or-later
// TReadScanThread: runs a read scan (ReadScan.h) of the disc in a drive on a
// thread of its own, so that a window stays responsive and a terminal can
// take Ctrl-C. The thread's terminate request cancels the scan at its next
// read. Nothing is shown from the thread: a front end follows the scan with
// Scan().Snapshot() (a window from a timer) and, once Finished(), presents
// the report.
#pragma once

#include <memory>

#include "host/os/Thread.h"
#include "readscan/ReadScan.h"
#include "readscan/ScanSource.h"

class SCSIDEV;

class TReadScanThread : public host::Thread {
 public:
  // The drive is used only by this thread until it has finished.
  explicit TReadScanThread(SCSIDEV& drive);
  // A scan of any source on any clock (the tests').
  TReadScanThread(ScanSource& source, ScanClock& clock, ReadScan::Options options);
  ~TReadScanThread() override;

  ReadScan& Scan() { return scan_; }
  const ReadScan& Scan() const { return scan_; }

 protected:
  void Execute() override;

 private:
  std::unique_ptr<ScanSource> ownSource_;
  SteadyScanClock steadyClock_;
  ReadScan scan_;
};
