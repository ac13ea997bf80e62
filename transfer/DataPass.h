// DataPass: one pass of data between the two sides of an operation, on two
// workers that hand the two halves of the transfer area over with
// manual-reset events. Write moves the volume from the source side to the
// destination side (reader and writer cross over: one fills a half while the
// other empties the other half); Verify reads both sides side by side and
// compares each 64 KiB step, reporting a difference and asking whether to go
// on. ReadThrough reads the source side alone (the verify of a disc against
// a recorded digest). The pass itself only turns the events, compares,
// feeds the digest and reports progress.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "transfer/OperationRequest.h"
#include "transfer/TransferArea.h"

class Sha256;
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
};

struct PassSides {
  Endpoint source;
  uint64_t sourceStart = 0;  // byte offset of the volume in the source
  Endpoint destination;      // written or read from its beginning
  uint64_t size = 0;         // bytes to move or compare
  // The digest hook: when set, every pass feeds it the source's bytes in
  // volume order as the reader delivers them (the volume's own bytes, never
  // the padding of a last partial sector). It holds the volume's digest
  // only when the pass has ended complete (ok, not canceled).
  Sha256* digest = nullptr;
};

// Bytes [from, to) of the volume.
struct ByteRange {
  uint64_t from = 0;
  uint64_t to = 0;
};

struct PassOutcome {
  bool ok = true;            // false: a side failed (it has reported why)
  bool canceled = false;     // the person canceled; ok stays true
  uint64_t differences = 0;  // verify steps whose bytes differed
  // The first differing steps of a verify (at most kDifferenceRanges).
  std::vector<ByteRange> firstDifferences;
  static constexpr size_t kDifferenceRanges = 16;
};

class DataPass {
 public:
  DataPass(PassHost& host, TransferArea& area, PassSides sides);

  PassOutcome Write();
  PassOutcome Verify();
  // Reads the source side alone, every byte into the digest.
  PassOutcome ReadThrough();
  // False, with an error box, when the source is a file that ends before the
  // volume does (beyond the padding of its last sector): a write pass would
  // fail. For a writer, asked before the disc is prepared.
  bool SourceHoldsVolume();

 private:
  std::unique_ptr<TReadThread> MakeReader(const Endpoint& side, uint64_t start) const;
  std::unique_ptr<TWorkThread> MakeWriter(const Endpoint& side, uint64_t start) const;
  // The digest hook: feeds the bytes of buffer up to volume position
  // delivered that the digest has not had yet (at most one step's).
  void FeedDigest(const uint8_t* buffer, uint64_t delivered);

  PassHost& host_;
  TransferArea& area_;
  PassSides sides_;
  uint64_t digested_ = 0;  // volume bytes fed to the digest
};
