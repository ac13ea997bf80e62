// SPDX-License-Identifier: GPL-3.0-or-later
// ChartDrawing: a SpeedChart laid out on a canvas of a given size, as a list
// of simple shapes in painting order (bands, grid, level lines, the passes'
// lines, the frame, the texts). The windows paint the list with Qt and the
// headless front end writes it as SVG (ChartSvg.h), so both show the same
// picture and only this file decides what it looks like.
//
// The position axis runs from 0 to the chart's extent in MB or GB (of
// 1,000,000 and 10^9 bytes), the speed axis on the left in MB/s from 0 to a
// round value above the top speed, and a second scale on the right counts
// multiples of DVD 1x. A line never has more than two points per pixel
// column (the lowest and the highest speed there), so a whole disc of
// 64 KiB steps draws as fast as a short pass and keeps its dips.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "chart/SpeedChart.h"

namespace chart {

struct Box {
  double x = 0, y = 0, width = 0, height = 0;
  std::string colour;
  double opacity = 1;
};

struct Line {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  std::string colour;
  double width = 1;
  bool dashed = false;
};

struct Polyline {
  std::vector<std::pair<double, double>> points;
  std::string colour;
  double width = 1.5;
};

enum class Anchor { Start, Middle, End };

// Text whose baseline starts at (x, y), or is centred on or ends at x.
struct Label {
  double x = 0, y = 0;
  std::string text;
  Anchor anchor = Anchor::Start;
  std::string colour = "#000000";
  double size = 11;  // pixels
  bool bold = false;
};

using Shape = std::variant<Box, Line, Polyline, Label>;

// A tick of an axis: where it stands on the canvas and its text.
struct Tick {
  double at = 0;
  std::string text;
};

struct Drawing {
  double width = 0, height = 0;
  // The plot area inside the axes.
  double left = 0, top = 0, right = 0, bottom = 0;
  std::vector<Tick> positionTicks;  // along the bottom
  std::vector<Tick> speedTicks;     // MB/s on the left
  std::vector<Tick> multipleTicks;  // multiples of 1x on the right
  std::vector<Shape> shapes;        // in painting order
};

// Lays the chart out on width x height pixels.
Drawing Draw(const SpeedChart& chart, double width, double height);

// A step of 1, 2, 2.5 or 5 times a power of ten near span / count.
double RoundStep(double span, int count);

}  // namespace chart
