// The temperature graph's geometry, number by number.
#include "core/view/temp_graph_plan.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "support/graph_plans.h"

using namespace taruk;

namespace {

std::vector<int> TimeLabels(const TempGraphPlan& plan) {
  std::vector<int> labels;
  for (const GraphLabel& label : plan.timeLabels) labels.push_back(std::stoi(label.text));
  return labels;
}

std::vector<int> Span(int from, int to) {
  std::vector<int> values;
  for (int v = from; v <= to; ++v) values.push_back(v);
  return values;
}

}  // namespace

TEST(TempGraphPlan, DialogSizedAreaWithHourLabelsThroughMidnight) {
  const auto series = Hours(0);
  const TempGraphPlan plan = Plan(series);
  EXPECT_EQ(plan.step, 28);
  EXPECT_EQ(plan.columns, 27);
  EXPECT_EQ(plan.timeGrid.size(), 28u);
  ASSERT_EQ(plan.temperatureGrid.size(), 11u);
  EXPECT_EQ(plan.temperatureLabels.back().text, L"100 \u00b0C");
  EXPECT_EQ(plan.temperatureLabels.front().at, (GraphPoint{2, 307}));
  EXPECT_EQ(plan.timeLabels.back().at, (GraphPoint{50 + 27 * 28 - 10, 322}));
  EXPECT_EQ(plan.criticalLine.from.y, 312 - 154);
  EXPECT_EQ(plan.criticalLabel.at, (GraphPoint{150, 312 - 154 - 22}));

  std::vector<int> expected = Span(12, 24);  // at 15:xx
  for (int v : Span(1, 15)) expected.push_back(v);
  EXPECT_EQ(TimeLabels(plan), expected);
  expected = {22, 23, 24};  // at 01:xx: never 0 or below
  for (int v : Span(1, 24)) expected.push_back(v);
  expected.push_back(1);
  EXPECT_EQ(TimeLabels(Plan(series, 1)), expected);
  for (int label : TimeLabels(Plan(series, -1))) EXPECT_TRUE(label >= 1 && label <= 24);  // clock unknown
  EXPECT_EQ(ClockLabel(-120, GraphMode::Minutes), 60);
}

TEST(TempGraphPlan, NeverReadsBeyondTheSeries) {
  // Room for 41 columns, but the hour series has 30 samples.
  const auto series = Hours(40);
  const TempGraphPlan wide = Plan(series, 15, 55, 60 + 40 * 28);
  EXPECT_EQ(wide.columns, 29);
  EXPECT_EQ(wide.temperatureLine.size(), 31u);
  EXPECT_EQ(TimeLabels(wide).front(), 10);
  EXPECT_EQ(Plan(series, 15, 55, 50).temperatureLine.size(), 1u);  // no column fits
}
