// SPDX-License-Identifier: GPL-3.0-or-later
// ChartSvg: a SpeedChart as an SVG document (plain text, nothing but the
// standard library), the same picture the windows paint: for a script or a
// machine without a display, and for keeping beside a disc's record.
#pragma once

#include <string>

#include "chart/SpeedChart.h"

namespace chart {

inline constexpr int kSvgWidth = 800;
inline constexpr int kSvgHeight = 360;

std::string ChartSvg(const SpeedChart& chart, int width = kSvgWidth, int height = kSvgHeight);

}  // namespace chart
