// SPDX-License-Identifier: GPL-3.0-or-later
#include "readscan/ScanVerdict.h"

#include <algorithm>
#include <cmath>

#include "base/NumberText.h"
#include "base/TextFormat.h"

namespace {

constexpr size_t kRangesShown = 8;

uint32_t WholeStep(const std::vector<ScanStep>& steps) {
  uint32_t whole = 0;
  for (const ScanStep& step : steps) whole = std::max(whole, step.blocks);
  return whole;
}

// Steps that read at once and are whole: the ones judged and compared.
std::vector<size_t> Judged(const std::vector<ScanStep>& steps) {
  const uint32_t whole = WholeStep(steps);
  std::vector<size_t> judged;
  for (size_t i = 0; i < steps.size(); ++i)
    if (!steps[i].failed && steps[i].blocks == whole) judged.push_back(i);
  return judged;
}

double Median(std::vector<double>& values) {
  const size_t middle = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
  double upper = values[middle];
  if (values.size() % 2 == 1) return upper;
  double lower = *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle));
  return (lower + upper) / 2;
}

std::string RangeText(const BlockRange& range) {
  if (range.count == 1) return FormatNumber(range.first);
  return FormatNumber(range.first) + "-" + FormatNumber(range.Last());
}

std::string MegabyteText(uint64_t bytes) { return FormatText("%.2f", static_cast<double>(bytes) / 1e6); }

}  // namespace

void JudgeSlowSteps(std::vector<ScanStep>& steps, uint32_t blockSize, size_t fromStep) {
  for (size_t i = fromStep; i < steps.size(); ++i) steps[i].slow = false;
  const std::vector<size_t> judged = Judged(steps);
  if (judged.size() < 2) return;
  const size_t n = judged.size();
  const size_t half = kSlowNeighbours / 2;
  std::vector<double> around;
  for (size_t k = 0; k < n; ++k) {
    if (judged[k] < fromStep) continue;
    // The window of kSlowNeighbours + 1 judged steps with k in it, as
    // central as the ends allow.
    size_t width = std::min<size_t>(kSlowNeighbours + 1, n);
    size_t from = k > half ? k - half : 0;
    from = std::min(from, n - width);
    around.clear();
    for (size_t j = from; j < from + width; ++j)
      if (j != k) around.push_back(steps[judged[j]].BytesPerSecond(blockSize));
    ScanStep& step = steps[judged[k]];
    step.slow = step.BytesPerSecond(blockSize) < Median(around) / 2;
  }
}

ScanSummary Summarize(const ScanReport& report) {
  ScanSummary summary;
  const uint32_t size = report.blockSize;
  summary.unreadableBlocks = report.UnreadableBlocks();
  summary.readableBytes = (report.scannedBlocks - std::min(report.scannedBlocks, summary.unreadableBlocks)) * size;
  summary.seconds = report.seconds;

  uint64_t readBytes = 0;
  double readSeconds = 0;
  for (const ScanStep& step : report.steps) {
    if (step.failed) continue;
    readBytes += uint64_t{step.blocks} * size;
    readSeconds += step.seconds;
  }
  if (readBytes > 0) summary.averageBytesPerSecond = static_cast<double>(readBytes) / std::max(readSeconds, 1e-9);

  // The minimum among the judged steps (the short last step only when it is
  // all there is).
  std::vector<size_t> judged = Judged(report.steps);
  const ScanStep* slowestStep = nullptr;
  for (size_t i : judged)
    if (slowestStep == nullptr || report.steps[i].BytesPerSecond(size) < slowestStep->BytesPerSecond(size))
      slowestStep = &report.steps[i];
  if (slowestStep == nullptr)
    for (const ScanStep& step : report.steps)
      if (!step.failed) slowestStep = &step;
  if (slowestStep != nullptr) summary.minimumBytesPerSecond = slowestStep->BytesPerSecond(size);

  // Adjacent slow steps make one region.
  double regionSeconds = 0;
  for (const ScanStep& step : report.steps) {
    if (!step.slow) continue;
    uint64_t from = step.first * size, to = (step.first + step.blocks) * size;
    if (summary.slowRegions.empty() || summary.slowRegions.back().to != from) {
      summary.slowRegions.push_back({from, from, 0, 0, true});
      regionSeconds = 0;
    }
    ScanRegion& region = summary.slowRegions.back();
    region.to = to;
    ++region.steps;
    regionSeconds += step.seconds;
    region.bytesPerSecond = static_cast<double>(region.to - region.from) / std::max(regionSeconds, 1e-9);
  }
  for (const ScanRegion& region : summary.slowRegions)
    if (!summary.slowest || region.bytesPerSecond < summary.slowest->bytesPerSecond) summary.slowest = region;
  if (!summary.slowest && slowestStep != nullptr)
    summary.slowest = ScanRegion{slowestStep->first * size, (slowestStep->first + slowestStep->blocks) * size,
                                 slowestStep->BytesPerSecond(size), 1, false};
  return summary;
}

std::string SpeedText(double bytesPerSecond) {
  return FormatText("%.2f MB/s (%s)", bytesPerSecond / 1e6, chart::MultipleText(bytesPerSecond).c_str());
}

std::string ElapsedText(double seconds) {
  long long whole = seconds > 0 ? static_cast<long long>(std::llround(seconds)) : 0;
  if (whole >= 3600) return FormatText("%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
  return FormatText("%lld:%02lld", whole / 60, whole % 60);
}

std::vector<std::string> SummaryLines(const ScanReport& report, const ScanSummary& summary) {
  std::vector<std::string> lines;
  const uint64_t scannedBytes = report.scannedBlocks * report.blockSize;
  lines.push_back(FormatText("Readable: %s of %s bytes (%s of %s sectors of %u bytes)",
                             FormatNumber(summary.readableBytes).c_str(), FormatNumber(scannedBytes).c_str(),
                             FormatNumber(report.scannedBlocks - summary.unreadableBlocks).c_str(),
                             FormatNumber(report.scannedBlocks).c_str(), report.blockSize));
  std::string unreadable = "Unreadable sectors: " + (summary.unreadableBlocks == 0 ? std::string("none")
                                                                                   : FormatNumber(summary.unreadableBlocks));
  for (size_t i = 0; i < report.unreadable.size() && i < kRangesShown; ++i)
    unreadable += (i == 0 ? " (" : ", ") + RangeText(report.unreadable[i]);
  if (report.unreadable.size() > kRangesShown)
    unreadable += FormatText(" and %zu more ranges", report.unreadable.size() - kRangesShown);
  if (!report.unreadable.empty()) unreadable += ")";
  lines.push_back(unreadable);
  if (summary.slowest) {
    const ScanRegion& region = *summary.slowest;
    lines.push_back("Slowest region: " + MegabyteText(region.from) + "-" + MegabyteText(region.to) + " MB at " +
                    SpeedText(region.bytesPerSecond) +
                    (!region.slow            ? std::string(", no slow steps")
                     : region.steps == 1     ? std::string(", 1 slow step")
                                             : FormatText(", %u slow steps", region.steps)));
  }
  if (summary.averageBytesPerSecond > 0)
    lines.push_back("Average speed: " + SpeedText(summary.averageBytesPerSecond) +
                    ", minimum: " + SpeedText(summary.minimumBytesPerSecond));
  lines.push_back("Elapsed time: " + ElapsedText(summary.seconds));
  lines.push_back(FormatText("Retries: %s of at most %s", FormatNumber(report.retries).c_str(),
                             FormatNumber(report.retryLimit).c_str()));
  if (report.notRetried > 0)
    lines.push_back("The retry limit was reached: " + FormatNumber(report.notRetried) +
                    " sectors count as unreadable without a retry.");
  if (report.blankFound)
    lines.push_back("The recorded area ends at sector " + FormatNumber(report.scannedBlocks) + ".");
  if (report.canceled)
    lines.push_back("Canceled after " + FormatNumber(report.scannedBlocks) + " of " +
                    FormatNumber(report.areaBlocks) + " sectors.");
  if (!report.stopped.empty()) lines.push_back("The scan stopped: " + report.stopped);
  return lines;
}

chart::SpeedChart ScanChart(const ScanReport& report, const ScanSummary& summary, const std::string& title) {
  chart::SpeedChart chart;
  chart.title = title;
  const uint64_t size = report.blockSize;
  chart.extent = (report.blankFound ? report.scannedBlocks : report.areaBlocks) * size;
  chart::Series line;
  line.kind = chart::SeriesKind::Scan;
  line.points.reserve(report.steps.size());
  for (const ScanStep& step : report.steps)
    line.points.push_back({(step.first * 2 + step.blocks) * size / 2, step.BytesPerSecond(report.blockSize)});
  chart.series.push_back(std::move(line));
  for (const BlockRange& range : report.unreadable)
    chart.marks.push_back({chart::MarkKind::Unreadable, range.first * size, (range.first + range.count) * size});
  for (const ScanRegion& region : summary.slowRegions)
    chart.marks.push_back({chart::MarkKind::Slow, region.from, region.to});
  if (report.nominalBytesPerSecond > 0)
    chart.levels.push_back({"drive " + chart::MultipleText(report.nominalBytesPerSecond), report.nominalBytesPerSecond});
  return chart;
}
