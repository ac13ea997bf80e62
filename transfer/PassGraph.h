// SPDX-License-Identifier: GPL-3.0-or-later
// PassGraph: the speed of every pass of an operation over its position on
// the disc, gathered from the passes' progress reports (PassProgress.h) for
// the operation dialog's live graph. A front end hands it every report it
// receives (the progress notifications and a timer's LatestProgress());
// reports that add nothing (the same position again, no speed yet) are
// dropped, so it may be fed as often as anyone likes.
//
// A pass keeps at most about kSamplesPerPass samples, evenly over its bytes
// (and its last one), so that a pass of an hour costs the graph no more than
// a pass of a minute. Passes() is the record of the samples (a disc record
// keeps them); Chart() the picture's data, with the drive's nominal rates as
// level lines.
// Not thread-safe: one thread (the GUI thread) feeds and reads it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chart/SpeedChart.h"
#include "devices/DriveRates.h"
#include "host/aspi/ScsiVocabulary.h"
#include "transfer/PassProgress.h"

struct PassSample {
  uint64_t position = 0;     // byte position on the disc side
  double bytesPerSecond = 0;  // as the report gave it (over the last few seconds)
  double seconds = 0;         // since the pass began
};

// The samples of one pass.
struct PassTrace {
  uint32_t pass = 0;  // the report's pass number
  int phase = 0;      // 0 test, 1 write, 2 copy, 3 verify
  bool pattern = false;
  aspi::ScsiAddress writer;
  uint64_t start = 0;  // the disc position of the pass's first byte
  uint64_t total = 0;  // bytes of the pass
  bool ended = false;
  std::vector<PassSample> samples;
};

class PassGraph {
 public:
  static constexpr uint64_t kSamplesPerPass = 2000;

  // Takes a report; true when the graph changed.
  bool Add(const PassProgress& report);
  // Forgets every pass and level (a new operation).
  void Clear();
  // The drive's nominal rate, drawn as a level line with its label.
  void AddLevel(const std::string& label, double bytesPerSecond);
  // The rates of the drive on the disc side that the passes meet: its write
  // rate when they write it, its read rate when they read it; one line when
  // both are met and equal.
  void AddDriveLevels(const DriveRates& rates, bool writes, bool reads);

  const std::vector<PassTrace>& Passes() const { return passes_; }
  // Some pass has a sample with a speed: there is something to draw.
  bool HasSamples() const;
  chart::SpeedChart Chart(const std::string& title) const;

  // The kind of line a pass is drawn as.
  static chart::SeriesKind KindOf(int phase, bool pattern);

 private:
  std::vector<PassTrace> passes_;
  std::vector<chart::Level> levels_;
};
