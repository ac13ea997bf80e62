// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/PassGraph.h"

#include <algorithm>

chart::SeriesKind PassGraph::KindOf(int phase, bool pattern) {
  switch (phase) {
    case 0: return chart::SeriesKind::Test;
    case 2: return chart::SeriesKind::Copy;
    case 3: return chart::SeriesKind::Verify;
    default: return pattern ? chart::SeriesKind::Pattern : chart::SeriesKind::Write;
  }
}

bool PassGraph::Add(const PassProgress& report) {
  if (report.pass == 0 || report.phase < 0) return false;  // no pass has begun
  if (passes_.empty() || passes_.back().pass != report.pass) {
    // Reports of a pass that has been followed by another come late: the
    // graph keeps its passes in order.
    if (!passes_.empty() && report.pass < passes_.back().pass) return false;
    // A pass has ended once the next one begins, whether or not its last
    // report came by.
    if (!passes_.empty()) passes_.back().ended = true;
    PassTrace trace;
    trace.pass = report.pass;
    trace.phase = report.phase;
    trace.pattern = report.pattern;
    trace.writer = report.writer;
    trace.start = report.position - std::min(report.position, report.done);
    passes_.push_back(std::move(trace));
  }
  PassTrace& trace = passes_.back();
  bool changed = trace.total != report.total || trace.ended != report.ended;
  trace.total = report.total;
  trace.ended = trace.ended || report.ended;
  // A sample needs a speed and a place further on than the last one, by a
  // share of the pass unless it is the pass's last.
  const uint64_t spacing = trace.total / kSamplesPerPass;
  const bool further = trace.samples.empty() || report.position > trace.samples.back().position;
  const bool last = report.done >= report.total || report.ended;
  if (report.bytesPerSecond > 0 && further &&
      (last || trace.samples.empty() || report.position - trace.samples.back().position >= spacing)) {
    trace.samples.push_back({report.position, report.bytesPerSecond, report.seconds});
    changed = true;
  }
  return changed;
}

void PassGraph::Clear() {
  passes_.clear();
  levels_.clear();
}

void PassGraph::AddLevel(const std::string& label, double bytesPerSecond) {
  if (bytesPerSecond > 0) levels_.push_back({label, bytesPerSecond});
}

void PassGraph::AddDriveLevels(const DriveRates& rates, bool writes, bool reads) {
  const double read = rates.readBytesPerSecond, write = rates.writeBytesPerSecond;
  if (writes && reads && read == write) {
    AddLevel("drive " + chart::MultipleText(write), write);
    return;
  }
  if (writes) AddLevel("drive write " + chart::MultipleText(write), write);
  if (reads) AddLevel("drive read " + chart::MultipleText(read), read);
}

bool PassGraph::HasSamples() const {
  return std::any_of(passes_.begin(), passes_.end(), [](const PassTrace& trace) { return !trace.samples.empty(); });
}

chart::SpeedChart PassGraph::Chart(const std::string& title) const {
  chart::SpeedChart chart;
  chart.title = title;
  chart.levels = levels_;
  for (const PassTrace& trace : passes_) {
    chart.extent = std::max(chart.extent, trace.start + trace.total);
    chart::Series series;
    series.kind = KindOf(trace.phase, trace.pattern);
    series.points.reserve(trace.samples.size());
    for (const PassSample& sample : trace.samples) series.points.push_back({sample.position, sample.bytesPerSecond});
    chart.series.push_back(std::move(series));
  }
  return chart;
}
