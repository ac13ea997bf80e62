// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/ChartDrawing.h"

#include <algorithm>
#include <cmath>

#include "base/TextFormat.h"

namespace chart {
namespace {

constexpr double kLeftMargin = 58, kRightMargin = 48, kTopMargin = 30, kBottomMargin = 34;
constexpr double kMegabyte = 1e6, kGigabyte = 1e9;
constexpr const char* kAxisColour = "#404040";
constexpr const char* kGridColour = "#e0e0e0";
constexpr const char* kLevelColour = "#606060";
constexpr double kTickLength = 4;
// The title's and the legend's line, and what their texts take: about 6.5
// pixels a character of the 11-pixel font, 7.2 of the 12-pixel bold title.
constexpr double kTitleBaseline = 14, kLineHeight = 15;
constexpr double kLegendCharacter = 6.5, kTitleCharacter = 7.2, kLegendSwatch = 14, kLegendGap = 12;

struct LegendEntry {
  std::string text;
  std::string colour;
  bool box;  // a band's colour; otherwise a line's
};

// Numbers as a person writes them on an axis: no trailing zeros.
std::string AxisNumber(double value) {
  std::string text = FormatText("%.2f", value);
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text;
}

// One polyline of the points of a series, at most the lowest and the
// highest speed per pixel column, in the order the pass reached them.
template <typename X, typename Y>
Polyline LineOf(const Series& series, X x, Y y) {
  Polyline line;
  line.colour = SeriesColour(series.kind);
  long column = -1;
  size_t low = 0, high = 0;  // indexes into line.points of the column's extremes
  for (const Point& point : series.points) {
    double px = x(point.position);
    double py = y(point.bytesPerSecond);
    long here = std::lround(std::floor(px));
    if (here != column || line.points.empty()) {
      column = here;
      line.points.push_back({px, py});
      low = high = line.points.size() - 1;
      continue;
    }
    // Same column: keep its lowest and highest speed (largest and smallest y).
    if (py > line.points[low].second) {
      if (low == high) {
        line.points.push_back({px, py});
        low = line.points.size() - 1;
      } else {
        line.points[low] = {px, py};
      }
    } else if (py < line.points[high].second) {
      if (low == high) {
        line.points.push_back({px, py});
        high = line.points.size() - 1;
      } else {
        line.points[high] = {px, py};
      }
    }
  }
  return line;
}

double XOf(const Drawing& d, uint64_t position, uint64_t extent) {
  if (extent == 0) return d.left;
  double share = static_cast<double>(std::min(position, extent)) / static_cast<double>(extent);
  return d.left + (d.right - d.left) * share;
}

}  // namespace

double RoundStep(double span, int count) {
  if (!(span > 0) || count <= 0) return 1;
  double raw = span / count;
  double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double factor : {1.0, 2.0, 2.5, 5.0, 10.0})
    if (raw <= factor * power * 1.0000001) return factor * power;
  return 10 * power;
}

Drawing Draw(const SpeedChart& chart, double width, double height) {
  Drawing d;
  d.width = width;
  d.height = height;

  // The legend: each kind of pass and of mark once, in the order they appear.
  std::vector<LegendEntry> legend;
  auto add = [&legend](const std::string& text, const std::string& colour, bool box) {
    for (const LegendEntry& entry : legend)
      if (entry.text == text) return;
    legend.push_back({text, colour, box});
  };
  for (const Series& series : chart.series)
    if (!series.points.empty()) add(SeriesName(series.kind), SeriesColour(series.kind), false);
  for (const Mark& mark : chart.marks) add(MarkName(mark.kind), MarkColour(mark.kind), true);
  double legendWidth = 0;
  for (const LegendEntry& entry : legend)
    legendWidth += kLegendCharacter * static_cast<double>(entry.text.size()) + kLegendSwatch + 6 + kLegendGap;
  const double titleWidth = kTitleCharacter * static_cast<double>(chart.title.size());
  const bool ownLine = kLeftMargin + 2 + titleWidth + 12 > width - kRightMargin - legendWidth;
  const double legendBaseline = ownLine && !chart.title.empty() ? kTitleBaseline + kLineHeight : kTitleBaseline;

  d.left = kLeftMargin;
  d.top = kTopMargin + (legendBaseline - kTitleBaseline);
  d.right = std::max(d.left + 1, width - kRightMargin);
  d.bottom = std::max(d.top + 1, height - kBottomMargin);

  // The speed axis: a round top above the fastest point or level (1x when
  // nothing has a speed yet).
  double topMb = std::max(chart.TopSpeed(), kDvd1xBytesPerSecond) * 1.05 / kMegabyte;
  double speedStep = RoundStep(topMb, 5);
  topMb = std::ceil(topMb / speedStep - 1e-9) * speedStep;
  const double topSpeed = topMb * kMegabyte;
  auto y = [&](double speed) { return d.bottom - (d.bottom - d.top) * std::clamp(speed / topSpeed, 0.0, 1.0); };
  for (int i = 0; i * speedStep <= topMb + 1e-9; ++i)
    d.speedTicks.push_back({y(i * speedStep * kMegabyte), AxisNumber(i * speedStep)});
  double topMultiple = topSpeed / kDvd1xBytesPerSecond;
  double multipleStep = RoundStep(topMultiple, 5);
  for (int i = 0; i * multipleStep <= topMultiple + 1e-9; ++i)
    d.multipleTicks.push_back({y(i * multipleStep * kDvd1xBytesPerSecond), AxisNumber(i * multipleStep) + "x"});

  // The position axis, in MB or, from 2 GB on, in GB.
  const bool gigabytes = chart.extent >= 2 * kGigabyte;
  const double unit = gigabytes ? kGigabyte : kMegabyte;
  const double span = static_cast<double>(chart.extent) / unit;
  if (span > 0) {
    double positionStep = RoundStep(span, 6);
    for (int i = 0; i * positionStep <= span + 1e-9; ++i)
      d.positionTicks.push_back({XOf(d, static_cast<uint64_t>(i * positionStep * unit), chart.extent),
                                 AxisNumber(i * positionStep)});
  } else {
    d.positionTicks.push_back({d.left, "0"});
  }

  // Bands first, so that everything else stays readable over them; a band
  // is at least a pixel wide, so that a single sector shows.
  for (const Mark& mark : chart.marks) {
    double from = XOf(d, mark.from, chart.extent);
    double to = std::max(XOf(d, mark.to, chart.extent), from + 1);
    d.shapes.push_back(Box{from, d.top, to - from, d.bottom - d.top, MarkColour(mark.kind),
                           mark.kind == MarkKind::Unreadable ? 0.75 : 0.45});
  }
  for (const Tick& tick : d.speedTicks) d.shapes.push_back(Line{d.left, tick.at, d.right, tick.at, kGridColour});
  for (const Level& level : chart.levels) {
    double at = y(level.bytesPerSecond);
    d.shapes.push_back(Line{d.left, at, d.right, at, kLevelColour, 1, true});
    d.shapes.push_back(Label{d.right - 4, at - 3, level.label, Anchor::End, kLevelColour, 10});
  }
  for (const Series& series : chart.series)
    if (!series.points.empty())
      d.shapes.push_back(LineOf(series, [&](uint64_t position) { return XOf(d, position, chart.extent); }, y));

  // The frame and the axes' texts.
  d.shapes.push_back(Line{d.left, d.top, d.left, d.bottom, kAxisColour});
  d.shapes.push_back(Line{d.right, d.top, d.right, d.bottom, kAxisColour});
  d.shapes.push_back(Line{d.left, d.bottom, d.right, d.bottom, kAxisColour});
  d.shapes.push_back(Line{d.left, d.top, d.right, d.top, kAxisColour});
  for (const Tick& tick : d.speedTicks) {
    d.shapes.push_back(Line{d.left - kTickLength, tick.at, d.left, tick.at, kAxisColour});
    d.shapes.push_back(Label{d.left - kTickLength - 2, tick.at + 4, tick.text, Anchor::End, kAxisColour});
  }
  for (const Tick& tick : d.multipleTicks) {
    d.shapes.push_back(Line{d.right, tick.at, d.right + kTickLength, tick.at, kAxisColour});
    d.shapes.push_back(Label{d.right + kTickLength + 2, tick.at + 4, tick.text, Anchor::Start, kAxisColour});
  }
  for (const Tick& tick : d.positionTicks) {
    d.shapes.push_back(Line{tick.at, d.bottom, tick.at, d.bottom + kTickLength, kAxisColour});
    d.shapes.push_back(Label{tick.at, d.bottom + kTickLength + 11, tick.text, Anchor::Middle, kAxisColour});
  }
  d.shapes.push_back(Label{d.left, d.top - 6, "MB/s", Anchor::End, kAxisColour, 10});
  d.shapes.push_back(Label{d.right, d.top - 6, "DVD 1x", Anchor::Start, kAxisColour, 10});
  d.shapes.push_back(Label{(d.left + d.right) / 2, height - 4,
                           gigabytes ? "Position on the disc (GB)" : "Position on the disc (MB)", Anchor::Middle,
                           kAxisColour, 10});
  if (!chart.title.empty())
    d.shapes.push_back(Label{d.left + 2, kTitleBaseline, chart.title, Anchor::Start, "#000000", 12, true});

  // The legend, right-aligned on the title's line, or on a line of its
  // own under the title when both do not fit side by side.
  double x = d.right;
  for (size_t i = legend.size(); i-- > 0;) {
    x -= kLegendCharacter * static_cast<double>(legend[i].text.size());
    d.shapes.push_back(Label{x, legendBaseline, legend[i].text, Anchor::Start, kAxisColour});
    x -= kLegendSwatch + 6;
    if (legend[i].box)
      d.shapes.push_back(Box{x, legendBaseline - 9, kLegendSwatch, 10, legend[i].colour, 0.75});
    else
      d.shapes.push_back(Line{x, legendBaseline - 4, x + kLegendSwatch, legendBaseline - 4, legend[i].colour, 2.5});
    x -= kLegendGap;
  }
  return d;
}

}  // namespace chart
