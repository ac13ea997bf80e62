// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/ChartSvg.h"

#include <type_traits>

#include "base/TextFormat.h"
#include "chart/ChartDrawing.h"

namespace chart {
namespace {

// Text as XML character data: the markup characters escaped, control
// characters (which XML does not allow) left out.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
    }
  }
  return out;
}

const char* AnchorName(Anchor anchor) {
  switch (anchor) {
    case Anchor::Start: return "start";
    case Anchor::Middle: return "middle";
    case Anchor::End: return "end";
  }
  return "start";
}

std::string Element(const Box& box) {
  return FormatText(R"(<rect x="%.1f" y="%.1f" width="%.1f" height="%.1f" fill="%s" fill-opacity="%.2f"/>)", box.x,
                    box.y, box.width, box.height, box.colour.c_str(), box.opacity);
}

std::string Element(const Line& line) {
  return FormatText(R"(<line x1="%.1f" y1="%.1f" x2="%.1f" y2="%.1f" stroke="%s" stroke-width="%.1f"%s/>)", line.x1,
                    line.y1, line.x2, line.y2, line.colour.c_str(), line.width,
                    line.dashed ? R"( stroke-dasharray="6 4")" : "");
}

std::string Element(const Polyline& line) {
  std::string points;
  for (const auto& [x, y] : line.points) points += FormatText("%s%.1f,%.1f", points.empty() ? "" : " ", x, y);
  return FormatText(R"(<polyline points="%s" fill="none" stroke="%s" stroke-width="%.1f" stroke-linejoin="round"/>)",
                    points.c_str(), line.colour.c_str(), line.width);
}

std::string Element(const Label& label) {
  return FormatText(R"(<text x="%.1f" y="%.1f" text-anchor="%s" fill="%s" font-size="%.0f"%s>%s</text>)", label.x,
                    label.y, AnchorName(label.anchor), label.colour.c_str(), label.size,
                    label.bold ? R"( font-weight="bold")" : "", Escaped(label.text).c_str());
}

}  // namespace

std::string ChartSvg(const SpeedChart& chart, int width, int height) {
  Drawing drawing = Draw(chart, width, height);
  std::string svg = FormatText(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\" "
      "font-family=\"sans-serif\">\n",
      width, height, width, height);
  svg += "<title>" + Escaped(chart.title) + "</title>\n";
  svg += FormatText(R"(<rect x="0" y="0" width="%d" height="%d" fill="#ffffff"/>)", width, height) + "\n";
  for (const Shape& shape : drawing.shapes) svg += std::visit([](const auto& s) { return Element(s); }, shape) + "\n";
  svg += "</svg>\n";
  return svg;
}

}  // namespace chart
