#include "core/view/temp_graph_plan.h"

#include <algorithm>

namespace taruk {

namespace {

// A height for a temperature far beyond any drive's (a hand-edited critical
// temperature, say) is kept to a range the painter handles; it is off the
// control either way.
int ClampCoordinate(int64_t value) {
  constexpr int64_t kLimit = 1 << 20;
  return static_cast<int>(std::clamp<int64_t>(value, -kLimit, kLimit));
}

// The height of a temperature: 0 degrees on the horizontal axis, `step`
// pixels per 10 degrees above it.
int TemperatureY(int bottom, int64_t temperature, int step) {
  return ClampCoordinate(bottom - (temperature * step) / 10 - 30);
}

}  // namespace

TempGraphPlan PlanDriveGraph(const DriveSlot& slot, GraphMode mode, Clock& clock, int width, int height,
                             int criticalTemperature) {
  if (mode == GraphMode::Hours) {
    return PlanTemperatureGraph(0, 0, width, height, mode, clock.CurrentHour(), slot.hourHistory, criticalTemperature);
  }
  return PlanTemperatureGraph(0, 0, width, height, mode, clock.CurrentMinute(), slot.minuteHistory,
                              criticalTemperature);
}

int ClockLabel(int value, GraphMode mode) {
  const int period = mode == GraphMode::Hours ? 24 : 60;
  if (value <= 0) value += ((-value) / period + 1) * period;
  return value;
}

TempGraphPlan PlanTemperatureGraph(int left, int top, int width, int height, GraphMode mode, int now,
                                   std::span<const uint32_t> series, int criticalTemperature) {
  TempGraphPlan plan;
  plan.left = left;
  plan.top = top;
  plan.width = width;
  plan.height = height;
  const int right = left + width;
  const int bottom = top + height;

  plan.step = (height - 60) / 10;
  if (plan.step < 1) return plan;
  const int step = plan.step;

  for (int y = bottom - 30, t = 0; y >= top + 30; y -= step, t += 10) {
    plan.temperatureGrid.push_back({{left + 50, y}, {right - 10, y}});
    plan.temperatureLabels.push_back({{left + 2, y - 5}, std::to_wstring(t) + L" \u00b0C"});
  }

  // Column c stands at x = left + 50 + c * step, as far as the right margin
  // allows and the series has samples.
  const int longest = static_cast<int>(series.size()) - 1;
  plan.columns = width >= 60 ? std::min((width - 60) / step, longest) : -1;
  for (int c = 0; c <= plan.columns; ++c) {
    const int x = left + 50 + c * step;
    plan.timeGrid.push_back({{x, bottom - 30}, {x, top + 30}});
    plan.timeLabels.push_back({{x - 10, bottom - 20}, std::to_wstring(ClockLabel(now - plan.columns + c, mode))});
  }

  plan.horizontalAxis = {{left + 50, bottom - 30}, {right - 10, bottom - 30}};
  plan.verticalAxis = {{left + 50, bottom - 30}, {left + 50, top + 30}};

  const int yc = TemperatureY(bottom, criticalTemperature, step);
  plan.criticalLine = {{left + 50, yc}, {right - 10, yc}};
  plan.criticalLabel = {{left + 150, yc - 22}, L"Critical temperature"};

  plan.temperatureLine.push_back({left + 50, bottom - 30});
  for (int c = 0; c <= plan.columns; ++c) {
    const uint32_t value = series[static_cast<size_t>(plan.columns - c)];
    plan.temperatureLine.push_back({left + 50 + c * step, TemperatureY(bottom, value, step)});
  }
  return plan;
}

}  // namespace taruk
