// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/SpeedChart.h"

#include <algorithm>
#include <cmath>

#include "base/TextFormat.h"

namespace chart {
namespace {

struct SeriesStyle {
  SeriesKind kind;
  const char* name;
  const char* colour;
};

// Colours that stay apart for people who tell red from green badly, and
// stay clear of the marks' red and amber.
constexpr SeriesStyle kSeriesStyles[] = {
    {SeriesKind::Test, "Test", "#7f7f7f"},     {SeriesKind::Write, "Write", "#1f5fbf"},
    {SeriesKind::Copy, "Copy", "#6a3d9a"},     {SeriesKind::Verify, "Verify", "#1a9850"},
    {SeriesKind::Pattern, "Pattern", "#17becf"}, {SeriesKind::Scan, "Read", "#1f5fbf"},
};

struct MarkStyle {
  MarkKind kind;
  const char* name;
  const char* colour;
};

constexpr MarkStyle kMarkStyles[] = {
    {MarkKind::Unreadable, "Unreadable", "#d62728"},
    {MarkKind::Slow, "Slow", "#ffb000"},
};

template <typename Table, typename Kind>
const auto& StyleOf(const Table& table, Kind kind) {
  for (const auto& row : table)
    if (row.kind == kind) return row;
  return table[0];  // every kind has a row
}

}  // namespace

double SpeedChart::TopSpeed() const {
  double top = 0;
  for (const Series& line : series)
    for (const Point& point : line.points) top = std::max(top, point.bytesPerSecond);
  for (const Level& level : levels) top = std::max(top, level.bytesPerSecond);
  return top;
}

bool SpeedChart::HasPoints() const {
  return std::any_of(series.begin(), series.end(), [](const Series& line) { return !line.points.empty(); });
}

const char* SeriesName(SeriesKind kind) { return StyleOf(kSeriesStyles, kind).name; }
const char* SeriesColour(SeriesKind kind) { return StyleOf(kSeriesStyles, kind).colour; }
const char* MarkName(MarkKind kind) { return StyleOf(kMarkStyles, kind).name; }
const char* MarkColour(MarkKind kind) { return StyleOf(kMarkStyles, kind).colour; }

std::string MultipleText(double bytesPerSecond) {
  double multiple = bytesPerSecond / kDvd1xBytesPerSecond;
  if (std::fabs(multiple - std::round(multiple)) < 0.05) return FormatText("%.0fx", std::round(multiple));
  return FormatText("%.1fx", multiple);
}

}  // namespace chart
