#pragma once
// Where every line and label of the temperature graph goes, worked out without
// any window so that the geometry can be checked number by number. The graph
// control paints the plan as it stands.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/base/clock.h"
#include "core/drive/drive_slot.h"

namespace taruk {

enum class GraphMode { Hours, Minutes };

struct GraphPoint {
  int x = 0;
  int y = 0;
  bool operator==(const GraphPoint&) const = default;
};

struct GraphLine {
  GraphPoint from;
  GraphPoint to;
};

// Text written with its top-left corner at `at`.
struct GraphLabel {
  GraphPoint at;
  std::wstring text;
};

struct TempGraphPlan {
  // The control's client rectangle; always filled with the background.
  int left = 0, top = 0, width = 0, height = 0;
  // Pixels per 10 degrees and per sample. Below 1 the graph has no room and
  // nothing but the background is drawn.
  int step = 0;
  // N: the leftmost column stands for now - N, the rightmost for now. Never
  // more than the series has samples, so N + 1 <= its length; -1 when no
  // column fits.
  int columns = -1;

  std::vector<GraphLine> temperatureGrid;  // horizontal, 0 degrees first
  std::vector<GraphLabel> temperatureLabels;
  std::vector<GraphLine> timeGrid;  // vertical, oldest first
  std::vector<GraphLabel> timeLabels;
  GraphLine horizontalAxis;
  GraphLine verticalAxis;
  GraphLine criticalLine;
  GraphLabel criticalLabel;
  // From the axes' origin up to the oldest sample, then one point per column.
  std::vector<GraphPoint> temperatureLine;
};

// `now` is the local hour (Hours) or minute (Minutes), -1 when unknown;
// `series` is the hour or minute history, element 0 the newest.
TempGraphPlan PlanTemperatureGraph(int left, int top, int width, int height, GraphMode mode, int now,
                                   std::span<const uint32_t> series, int criticalTemperature);

// The graph of `slot` as both windows draw it: in Hours its hour history
// against the clock's hour, in Minutes its minute history against the
// clock's minute; the monitor's clock, the one its history was kept by.
TempGraphPlan PlanDriveGraph(const DriveSlot& slot, GraphMode mode, Clock& clock, int width, int height,
                             int criticalTemperature);

// A column's time brought into the clock's range: 1..24 for hours, 1..60 for
// minutes, so the hour 0 reads 24 and the minute 0 reads 60.
int ClockLabel(int value, GraphMode mode);

}  // namespace taruk
