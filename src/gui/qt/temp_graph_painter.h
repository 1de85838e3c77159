#pragma once
// Draws a temperature graph plan with the graph's colours, straight onto the
// painter in a fixed order: later strokes lie over earlier ones.

#include <QColor>

#include "core/view/temp_graph_plan.h"
#include "gui/qt/colours.h"

class QPainter;

namespace taruk {

namespace graph_colors {
inline const QColor kBackground = ToQColor(palette::kLightBlue);
inline const QColor kGrid = ToQColor(palette::kGraphGrid);
inline const QColor kAxis = ToQColor(palette::kGraphAxis);
inline const QColor kCritical = ToQColor(palette::kGraphCritical);
inline const QColor kTemperature = ToQColor(palette::kGraphTemperature);
}  // namespace graph_colors

// Text uses the painter's font in black on the background colour.
void PaintTemperatureGraph(QPainter& painter, const TempGraphPlan& plan);

}  // namespace taruk
