// SPDX-License-Identifier: GPL-3.0-or-later
// SpeedChart: the data behind a picture of speed over a disc: one line of
// points (position on the disc, bytes per second) per pass, coloured by the
// kind of pass; bands that mark places on the disc (unreadable sectors in
// red, slow steps in amber); and the drive's nominal rate as a level line.
// The operation dialog's live graph, the read scan's map, the scan's SVG and
// a disc record all hold this, so that what they show is tested as data and
// drawn the same way everywhere (ChartDrawing.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace chart {

// DVD 1x: 1,385,000 bytes per second; the second scale counts its multiples.
inline constexpr double kDvd1xBytesPerSecond = 1385000.0;

enum class SeriesKind : uint8_t { Test, Write, Copy, Verify, Pattern, Scan };
enum class MarkKind : uint8_t { Unreadable, Slow };

struct Point {
  uint64_t position = 0;  // bytes from the start of the disc
  double bytesPerSecond = 0;
  bool operator==(const Point&) const = default;
};

struct Series {
  SeriesKind kind = SeriesKind::Write;
  std::vector<Point> points;  // in the order the pass reached them
};

// A band over [from, to) bytes of the disc.
struct Mark {
  MarkKind kind = MarkKind::Unreadable;
  uint64_t from = 0;
  uint64_t to = 0;
  bool operator==(const Mark&) const = default;
};

// A level line across the chart, such as the drive's nominal rate.
struct Level {
  std::string label;
  double bytesPerSecond = 0;
};

struct SpeedChart {
  std::string title;
  uint64_t extent = 0;  // the position axis runs from 0 to here
  std::vector<Series> series;
  std::vector<Mark> marks;
  std::vector<Level> levels;

  // The highest speed of any point or level; 0 for an empty chart.
  double TopSpeed() const;
  bool HasPoints() const;
};

// The legend's word and the colour ("#rrggbb") of a kind of pass or mark.
const char* SeriesName(SeriesKind kind);
const char* SeriesColour(SeriesKind kind);
const char* MarkName(MarkKind kind);
const char* MarkColour(MarkKind kind);

// "4.7x" style text of a speed in multiples of DVD 1x; "16x" when whole.
std::string MultipleText(double bytesPerSecond);

}  // namespace chart
