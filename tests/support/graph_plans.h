#pragma once
// Temperature graph plans for tests: a flat hour series, planned over the
// dialog-sized client area of the examples (818 x 342 pixels).

#include <array>
#include <cstdint>
#include <span>

#include "core/view/temp_graph_plan.h"

namespace taruk {

inline std::array<uint32_t, 30> Hours(uint32_t value) {
  std::array<uint32_t, 30> series;
  series.fill(value);
  return series;
}

inline TempGraphPlan Plan(std::span<const uint32_t> series, int now = 15, int critical = 55, int width = 818,
                          int height = 342) {
  return PlanTemperatureGraph(0, 0, width, height, GraphMode::Hours, now, series, critical);
}

}  // namespace taruk
