// DataPass: one pass of data between the two sides of an operation, on two
// workers that hand the two halves of the transfer area over with
// manual-reset events. Write moves the volume from the source side to the
// destination side (reader and writer cross over: one fills a half while the
// other empties the other half); Verify reads both sides side by side and
// compares each 64 KiB step, reporting a difference and asking whether to go
// on. The pass itself only turns the events, compares and reports progress.
#pragma once

#include <cstdint>
#include <memory>

#include "transfer/OperationRequest.h"
#include "transfer/TransferArea.h"

class TReadThread;
class TWorkThread;

// What a pass asks of the operation that runs it. Called on the thread that
// runs the pass.
class PassHost {
 public:
  virtual ~PassHost() = default;
  // The person's cancel (the operation's terminate request).
  virtual bool CancelRequested() = 0;
  // Shows percent at the start of a pass, whatever was shown before.
  virtual void ShowStartPercent(int percent) = 0;
  // Shows done of total when the whole percent has grown; true at 100.
  virtual bool ShowPercent(uint64_t done, uint64_t total) = 0;
  // Asked once the source is open and holds the volume, before the
  // destination is opened for writing: false when it must not be written
  // (the person declined); the pass then ends without writing or reporting.
  virtual bool MayWriteDestination() { return true; }
};

struct PassSides {
  Endpoint source;
  uint64_t sourceStart = 0;  // byte offset of the volume in the source
  Endpoint destination;      // written or read from its beginning
  uint64_t size = 0;         // bytes to move or compare
};

struct PassOutcome {
  bool ok = true;            // false: a side failed (it has reported why)
  bool canceled = false;     // the person canceled; ok stays true
  bool declined = false;     // MayWriteDestination said no; ok stays true
  uint64_t differences = 0;  // verify steps whose bytes differed
};

class DataPass {
 public:
  DataPass(PassHost& host, TransferArea& area, PassSides sides);

  PassOutcome Write();
  PassOutcome Verify();
  // False, with an error box, when the source is a file that ends before the
  // volume does (beyond the padding of its last sector): a write pass would
  // fail. For a writer, asked before the disc is prepared.
  bool SourceHoldsVolume();

 private:
  std::unique_ptr<TReadThread> MakeReader(const Endpoint& side, uint64_t start) const;
  std::unique_ptr<TWorkThread> MakeWriter(const Endpoint& side, uint64_t start) const;

  PassHost& host_;
  TransferArea& area_;
  PassSides sides_;
};
