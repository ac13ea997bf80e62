// SPDX-License-Identifier: GPL-3.0-or-later
// DataPass: one pass of data between the two sides of an operation. Write
// moves the volume from the source side to the destination side: a reader
// fills the steps of a StepRing while a writer empties them, each at its own
// pace. Verify reads both sides side by side, one reader and ring per side,
// and compares the steps on the pass's own thread 64 KiB at a time,
// reporting a difference and asking whether to go on. The pass itself only
// watches the workers, compares and reports progress: it is woken when a
// worker's whole percent grows or a worker ends, and looks at the person's
// cancel at least every kWatchMs.
//
// ReadThrough reads the source side alone (the verify of a disc against a
// recorded digest): every byte passes the source tap, nothing is compared.
//
// Steps are 64 KiB, as the drive's commands and the log lines count them;
// a copy or verify between a device and a file moves kLargeStep per step
// (the same 32 KiB commands, back to back), so that the file side and the
// hand-overs cost less per byte.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <string>

#include "transfer/Endpoint.h"
#include "transfer/SharedPass.h"
#include "transfer/TReadThread.h"

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
  // The pass has moved or compared done of total bytes: sampled for the
  // progress report, and shown when the whole percent has grown; true at
  // 100.
  virtual bool ShowPercent(uint64_t done, uint64_t total) = 0;
  // Asked once the source is open and holds the volume, before the
  // destination is opened for writing: false when it must not be written
  // (the person declined); the pass then ends without writing or reporting.
  virtual bool MayWriteDestination() { return true; }
  // The caption of the pass's boxes (the program's name; with the writer's
  // address when several writers run at once).
  virtual std::string BoxCaption() const;
};

struct PassSides {
  Endpoint source;
  uint64_t sourceStart = 0;  // byte offset of the volume in the source
  Endpoint destination;      // written or read from its beginning
  uint64_t size = 0;         // bytes to move or compare
  // A test or real write onto a writer: its steps stay 64 KiB.
  bool recording = false;
  // Sees every byte the pass reads from its source, in order (see
  // TReadThread.h); empty for none.
  TReadThread::SourceTap sourceTap;
  // Several writers at once: the source side is read through this seat of
  // the pass they share (not owned), instead of by a reader of its own.
  PassSeat* seat = nullptr;
};

struct PassOutcome {
  bool ok = true;            // false: a side failed (it has reported why)
  bool canceled = false;     // the person canceled; ok stays true
  bool declined = false;     // MayWriteDestination said no; ok stays true
  uint64_t differences = 0;  // verify steps whose bytes differed
  // The first differing parts of a verify, as their questions named them
  // (at most kDifferenceRanges).
  std::vector<ByteRange> firstDifferences;
  static constexpr size_t kDifferenceRanges = 16;
  // A verify's source file ended before the volume did: the source tap saw
  // zeros for what it lacks.
  bool sourceShort = false;
};

class DataPass {
 public:
  static constexpr uint32_t kLargeStep = 256 * 1024;
  static constexpr uint32_t kRingDepth = 8;
  static constexpr uint32_t kWatchMs = 100;

  DataPass(PassHost& host, PassSides sides);

  PassOutcome Write();
  PassOutcome Verify();
  PassOutcome ReadThrough();
  // False, with an error box, when the source is a file that ends before the
  // volume does (beyond the padding of its last sector): a write pass would
  // fail. For a writer, asked before the disc is prepared.
  bool SourceHoldsVolume();
  // Bytes per step of this pass.
  uint32_t StepBytes() const { return StepBytesOf(sides_); }
  static uint32_t StepBytesOf(const PassSides& sides);

 private:
  std::unique_ptr<TReadThread> MakeReader(const Endpoint& side, uint64_t start) const;
  // The reader of the source side: its own, or its seat's.
  std::unique_ptr<TReadThread> MakeSourceReader() const;
  std::unique_ptr<TWorkThread> MakeWriter(const Endpoint& side, uint64_t start) const;
  // The next full step of ring, waiting as long as it takes; nullptr when
  // the ring ended or the person canceled.
  StepRing::Step* NextStep(StepRing& ring);
  // Compares the step of each side 64 KiB at a time and reports what
  // differs; false when the person chose to quit.
  struct VerifySide {
    TReadThread* reader;
    const StepRing::Step* step;
    bool shortLogged;
  };
  bool CompareStep(VerifySide& source, VerifySide& destination, PassOutcome& outcome,
                   class DifferenceLog& differenceLog);

  PassHost& host_;
  PassSides sides_;
};
