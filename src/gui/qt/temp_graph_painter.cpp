#include "gui/qt/temp_graph_painter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>

namespace taruk {

namespace {

QPoint ToQt(GraphPoint point) { return {point.x, point.y}; }

void DrawLine(QPainter& painter, const GraphLine& line) { painter.drawLine(ToQt(line.from), ToQt(line.to)); }

// Labels are placed by their top-left corner, not by their baseline.
void DrawLabel(QPainter& painter, const GraphLabel& label) {
  const QFontMetrics metrics(painter.font());
  painter.drawText(QPoint(label.at.x, label.at.y + metrics.ascent()), QString::fromStdWString(label.text));
}

// The wide lines end round, as wide pens do on the desktop this was drawn for.
QPen WidePen(const QColor& color) { return QPen(color, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

}  // namespace

void PaintTemperatureGraph(QPainter& painter, const TempGraphPlan& plan) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  painter.fillRect(QRect(plan.left, plan.top, plan.width, plan.height), graph_colors::kBackground);
  if (plan.step >= 1) {
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(graph_colors::kBackground);

    painter.setPen(QPen(graph_colors::kGrid, 1));
    for (size_t i = 0; i < plan.temperatureGrid.size(); ++i) {
      DrawLine(painter, plan.temperatureGrid[i]);
      painter.setPen(Qt::black);
      DrawLabel(painter, plan.temperatureLabels[i]);
      painter.setPen(QPen(graph_colors::kGrid, 1));
    }
    for (size_t i = 0; i < plan.timeGrid.size(); ++i) {
      DrawLine(painter, plan.timeGrid[i]);
      painter.setPen(Qt::black);
      DrawLabel(painter, plan.timeLabels[i]);
      painter.setPen(QPen(graph_colors::kGrid, 1));
    }

    painter.setPen(WidePen(graph_colors::kAxis));
    DrawLine(painter, plan.horizontalAxis);
    DrawLine(painter, plan.verticalAxis);

    painter.setPen(WidePen(graph_colors::kCritical));
    DrawLine(painter, plan.criticalLine);
    painter.setPen(Qt::black);
    DrawLabel(painter, plan.criticalLabel);

    painter.setPen(WidePen(graph_colors::kTemperature));
    QPolygon line;
    for (const GraphPoint& point : plan.temperatureLine) line << ToQt(point);
    painter.drawPolyline(line);
  }
  painter.restore();
}

}  // namespace taruk
