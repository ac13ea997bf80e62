// SPDX-License-Identifier: GPL-3.0-or-later
// The layout of a speed chart: round axis steps, the ticks of both speed
// scales and of the position axis, bands at their byte positions, lines
// thinned to two points per pixel column; and its SVG, read back with a real
// XML parser.
#include <gtest/gtest.h>

#include <QString>
#include <QXmlStreamReader>
#include <cmath>
#include <map>

#include "chart/ChartDrawing.h"
#include "chart/ChartSvg.h"

namespace {

using chart::Drawing;

std::vector<std::string> Texts(const std::vector<chart::Tick>& ticks) {
  std::vector<std::string> texts;
  for (const chart::Tick& tick : ticks) texts.push_back(tick.text);
  return texts;
}

template <typename T>
std::vector<T> ShapesOf(const Drawing& drawing) {
  std::vector<T> shapes;
  for (const chart::Shape& shape : drawing.shapes)
    if (const T* found = std::get_if<T>(&shape)) shapes.push_back(*found);
  return shapes;
}

// A write at about 16x over a 4.7 GB disc, with an unreadable sector and a
// slow band.
chart::SpeedChart DiscChart() {
  chart::SpeedChart chart;
  chart.title = "Write <test> & \"verify\"";
  chart.extent = 4'700'000'000;
  chart::Series write{chart::SeriesKind::Write, {}};
  for (uint64_t at = 0; at <= chart.extent; at += 1'000'000)
    write.points.push_back({at, 22e6 + 1e6 * std::sin(static_cast<double>(at) / 3e7)});
  chart.series.push_back(write);
  chart.marks.push_back({chart::MarkKind::Unreadable, 2'350'000'000, 2'350'002'048});
  chart.marks.push_back({chart::MarkKind::Slow, 1'000'000'000, 1'200'000'000});
  chart.levels.push_back({"drive 16x", 16 * chart::kDvd1xBytesPerSecond});
  return chart;
}

}  // namespace

TEST(ChartDrawing, RoundSteps) {
  struct Row {
    double span;
    int count;
    double step;
  };
  for (const Row& row : {Row{10, 5, 2}, Row{23.1, 5, 5}, Row{4.7, 6, 1}, Row{1.5, 5, 0.5}, Row{0.9, 5, 0.2},
                         Row{120, 6, 20}, Row{12.5, 5, 2.5}, Row{0, 5, 1}})
    EXPECT_DOUBLE_EQ(chart::RoundStep(row.span, row.count), row.step) << row.span << " / " << row.count;
}

TEST(ChartDrawing, AxesBandsAndThinnedLines) {
  Drawing d = chart::Draw(DiscChart(), 800, 360);
  // 23 MB/s at most, 22.16 the level: the scale goes to 25 in steps of 5;
  // the second scale counts 1x in steps of 5 up to 18x (25 MB/s).
  EXPECT_EQ(Texts(d.speedTicks), (std::vector<std::string>{"0", "5", "10", "15", "20", "25"}));
  EXPECT_EQ(Texts(d.multipleTicks), (std::vector<std::string>{"0x", "5x", "10x", "15x"}));
  EXPECT_EQ(Texts(d.positionTicks), (std::vector<std::string>{"0", "1", "2", "3", "4"}));
  EXPECT_DOUBLE_EQ(d.speedTicks.front().at, d.bottom);
  EXPECT_DOUBLE_EQ(d.speedTicks.back().at, d.top);
  EXPECT_NEAR(d.multipleTicks[1].at, d.bottom - (d.bottom - d.top) * 5 * 1.385 / 25, 1e-9);
  EXPECT_NEAR(d.positionTicks[2].at, d.left + (d.right - d.left) * 2e9 / 4.7e9, 1e-9);

  std::vector<chart::Box> boxes = ShapesOf<chart::Box>(d);
  ASSERT_GE(boxes.size(), 2u);
  const double perByte = (d.right - d.left) / 4.7e9;
  // A single sector is a pixel wide, in red; the slow band in amber.
  EXPECT_NEAR(boxes[0].x, d.left + 2.35e9 * perByte, 1e-6);
  EXPECT_DOUBLE_EQ(boxes[0].width, 1);
  EXPECT_EQ(boxes[0].colour, chart::MarkColour(chart::MarkKind::Unreadable));
  EXPECT_NEAR(boxes[1].x, d.left + 1e9 * perByte, 1e-6);
  EXPECT_NEAR(boxes[1].width, 0.2e9 * perByte, 1e-6);
  EXPECT_EQ(boxes[1].colour, chart::MarkColour(chart::MarkKind::Slow));
  EXPECT_DOUBLE_EQ(boxes[1].y, d.top);
  EXPECT_DOUBLE_EQ(boxes[1].height, d.bottom - d.top);

  // 4,701 points over 694 pixel columns: at most two a column, the lowest
  // and the highest speed of each.
  std::vector<chart::Polyline> lines = ShapesOf<chart::Polyline>(d);
  ASSERT_EQ(lines.size(), 1u);
  std::map<long, int> perColumn;
  for (const auto& [x, y] : lines[0].points) ++perColumn[std::lround(std::floor(x))];
  for (const auto& [column, count] : perColumn) EXPECT_LE(count, 2) << column;
  EXPECT_GE(perColumn.size(), 690u);
  double lowest = d.bottom, highest = d.top;
  for (const auto& point : lines[0].points) {
    lowest = std::min(lowest, point.second);
    highest = std::max(highest, point.second);
  }
  EXPECT_NEAR(lowest, d.bottom - (d.bottom - d.top) * 23 / 25, 0.05) << "the peaks are kept";
  EXPECT_NEAR(highest, d.bottom - (d.bottom - d.top) * 21 / 25, 0.05) << "the dips are kept";

  // Nothing yet: the scales of 1x and an axis from 0.
  Drawing empty = chart::Draw(chart::SpeedChart{}, 424, 200);
  EXPECT_EQ(Texts(empty.speedTicks), (std::vector<std::string>{"0", "0.5", "1", "1.5"}));
  EXPECT_EQ(Texts(empty.positionTicks), (std::vector<std::string>{"0"}));
  EXPECT_TRUE(ShapesOf<chart::Polyline>(empty).empty());
}

TEST(ChartSvg, IsWellFormedSvgWithTheChartsShapes) {
  std::string svg = chart::ChartSvg(DiscChart());
  QXmlStreamReader xml(QString::fromStdString(svg));
  std::map<std::string, int> elements;
  std::string title, firstRectFill;
  bool rootIsSvg = false;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    std::string name = xml.name().toString().toStdString();
    if (elements.empty())
      rootIsSvg = name == "svg" && xml.namespaceUri() == QLatin1String("http://www.w3.org/2000/svg") &&
                  xml.attributes().value("width") == QLatin1String("800");
    ++elements[name];
    if (name == "title") title = xml.readElementText().toStdString();
    if (name == "rect" && elements["rect"] == 2) firstRectFill = xml.attributes().value("fill").toString().toStdString();
  }
  ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString() << " at line " << xml.lineNumber();
  EXPECT_TRUE(rootIsSvg);
  EXPECT_EQ(title, "Write <test> & \"verify\"");
  EXPECT_EQ(elements["polyline"], 1);
  EXPECT_EQ(firstRectFill, chart::MarkColour(chart::MarkKind::Unreadable)) << "the bands come first, over the background";
  EXPECT_GE(elements["rect"], 1 + 2 + 2) << "background, two bands, two legend boxes";
  EXPECT_GE(elements["text"], 6 + 4 + 5) << "the ticks' texts";
}
