// SPDX-License-Identifier: GPL-3.0-or-later
// SpeedChartView: paints a SpeedChart (chart/SpeedChart.h) with Qt's own
// painting, shape by shape as chart/ChartDrawing.h lays it out, so the
// windows show the same picture as the SVG of the headless front end. The
// view holds a copy of the chart; its owner replaces it (SetChart) when the
// data change, at most as often as it wants the view repainted.
#pragma once

#include <QPainter>
#include <QWidget>
#include <string>

#include "chart/SpeedChart.h"

class SpeedChartView : public QWidget {
 public:
  explicit SpeedChartView(QWidget* parent = nullptr);

  void SetChart(chart::SpeedChart chart);
  const chart::SpeedChart& Chart() const { return chart_; }
  // A text in the middle of the plot while the chart has no points ("Start
  // draws the speed here."); empty for none.
  void SetPlaceholder(const std::string& text);

  // Writes the picture as PNG at the view's size; false (nothing written)
  // when the file cannot be written.
  bool SavePng(const std::string& path) const;

  // "Save graph...": asks for a file name (PNG), asks before overwriting,
  // writes it and shows a box when that fails.
  static void SaveGraphAs(const SpeedChartView& view, const std::string& proposedName);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void PaintOn(QPainter& painter, QSize size) const;

  chart::SpeedChart chart_;
  std::string placeholder_;
};
