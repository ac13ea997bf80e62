// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/SpeedChartView.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <type_traits>
#include <variant>

#include "base/CFILE.h"
#include "base/ProgramIdentity.h"
#include "chart/ChartDrawing.h"
#include "host/ui/MessageBox.h"

namespace {

QColor Colour(const std::string& text, double opacity = 1) {
  QColor colour(QString::fromStdString(text));
  colour.setAlphaF(static_cast<float>(opacity));
  return colour;
}

void Paint(QPainter& painter, const chart::Shape& shape) {
  std::visit(
      [&painter](const auto& s) {
        using T = std::decay_t<decltype(s)>;
        if constexpr (std::is_same_v<T, chart::Box>) {
          painter.fillRect(QRectF(s.x, s.y, s.width, s.height), Colour(s.colour, s.opacity));
        } else if constexpr (std::is_same_v<T, chart::Line>) {
          QPen pen(Colour(s.colour), s.width);
          if (s.dashed) pen.setDashPattern({6 / s.width, 4 / s.width});
          painter.setPen(pen);
          painter.drawLine(QPointF(s.x1, s.y1), QPointF(s.x2, s.y2));
        } else if constexpr (std::is_same_v<T, chart::Polyline>) {
          QPen pen(Colour(s.colour), s.width);
          pen.setJoinStyle(Qt::RoundJoin);
          painter.setPen(pen);
          QPainterPath path;
          for (size_t i = 0; i < s.points.size(); ++i) {
            QPointF point(s.points[i].first, s.points[i].second);
            if (i == 0)
              path.moveTo(point);
            else
              path.lineTo(point);
          }
          if (s.points.size() == 1) path.lineTo(QPointF(s.points[0].first + 0.5, s.points[0].second));
          painter.drawPath(path);
        } else {
          QFont font = painter.font();
          font.setPixelSize(static_cast<int>(s.size));
          font.setBold(s.bold);
          painter.setFont(font);
          painter.setPen(Colour(s.colour));
          QString text = QString::fromStdString(s.text);
          double width = QFontMetricsF(font).horizontalAdvance(text);
          double x = s.anchor == chart::Anchor::Start ? s.x : s.anchor == chart::Anchor::Middle ? s.x - width / 2
                                                                                                : s.x - width;
          painter.drawText(QPointF(x, s.y), text);
        }
      },
      shape);
}

}  // namespace

SpeedChartView::SpeedChartView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void SpeedChartView::SetChart(chart::SpeedChart chart) {
  chart_ = std::move(chart);
  update();
}

void SpeedChartView::SetPlaceholder(const std::string& text) {
  placeholder_ = text;
  update();
}

void SpeedChartView::PaintOn(QPainter& painter, QSize size) const {
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
  chart::Drawing drawing = chart::Draw(chart_, size.width(), size.height());
  for (const chart::Shape& shape : drawing.shapes) Paint(painter, shape);
  if (!chart_.HasPoints() && !placeholder_.empty()) {
    painter.setPen(QColor("#808080"));
    QRectF plot(drawing.left, drawing.top, drawing.right - drawing.left, drawing.bottom - drawing.top);
    painter.drawText(plot, Qt::AlignCenter, QString::fromStdString(placeholder_));
  }
}

void SpeedChartView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintOn(painter, size());
}

bool SpeedChartView::SavePng(const std::string& path) const {
  QImage image(size(), QImage::Format_RGB32);
  {
    QPainter painter(&image);
    PaintOn(painter, size());
  }
  return image.save(QString::fromStdString(path), "PNG");
}

void SpeedChartView::SaveGraphAs(const SpeedChartView& view, const std::string& proposedName) {
  ui::FileDialogRequest request;
  request.save = true;
  request.title = "Save graph";
  request.filter = "PNG images|*.png|All files|*.*";
  request.defaultExtension = "png";
  request.fileName = proposedName;
  std::optional<std::string> chosen = ui::FileDialog(request);
  if (!chosen || !MayOverwrite(*chosen)) return;
  if (!view.SavePng(*chosen))
    ui::MessageBox(*chosen + " could not be written.", ProgramName, ui::kIconError);
}
