#pragma once
// Draws a temperature graph plan with the graph's colours, straight onto the
// painter in a fixed order: later strokes lie over earlier ones.

#include <QColor>

#include "core/view/temp_graph_plan.h"

class QPainter;

namespace taruk {

namespace graph_colors {
inline const QColor kBackground{223, 238, 255};
inline const QColor kGrid{191, 222, 255};
inline const QColor kAxis{10, 10, 50};
inline const QColor kCritical{255, 55, 55};
inline const QColor kTemperature{255, 255, 5};
}  // namespace graph_colors

// Text uses the painter's font in black on the background colour.
void PaintTemperatureGraph(QPainter& painter, const TempGraphPlan& plan);

}  // namespace taruk
