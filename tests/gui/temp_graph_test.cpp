// The temperature graph: its geometry number by number, then the painted
// pixels of a real paint into an image.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <array>
#include <set>
#include <vector>

#include "drive/drive_slot.h"
#include "gui/fixed_clock.h"
#include "graph/temp_graph_ctrl.h"
#include "graph/temp_graph_painter.h"
#include "graph/temp_graph_plan.h"

namespace {

std::vector<int> TimeLabels(const TempGraphPlan& plan) {
  std::vector<int> labels;
  for (const GraphLabel& label : plan.timeLabels) labels.push_back(std::stoi(label.text));
  return labels;
}

std::array<uint32_t, 30> Hours(uint32_t value) {
  std::array<uint32_t, 30> series;
  series.fill(value);
  return series;
}

QImage Paint(const TempGraphPlan& plan, int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::magenta);
  QPainter painter(&image);
  PaintTemperatureGraph(painter, plan);
  return image;
}

// The rows of column x whose pixel has the given colour.
std::set<int> RowsOf(const QImage& image, int x, const QColor& color) {
  std::set<int> rows;
  for (int y = 0; y < image.height(); ++y)
    if (image.pixelColor(x, y) == color) rows.insert(y);
  return rows;
}

std::set<int> ColumnsOf(const QImage& image, int y, const QColor& color) {
  std::set<int> columns;
  for (int x = 0; x < image.width(); ++x)
    if (image.pixelColor(x, y) == color) columns.insert(x);
  return columns;
}

}  // namespace

TEST(TempGraphPlan, DialogSizedAreaHasTwentyEightColumnsAndElevenDegreeLines) {
  const auto series = Hours(0);
  const TempGraphPlan plan = PlanTemperatureGraph(0, 0, 818, 342, GraphMode::Hours, 15, series, 55);
  EXPECT_EQ(plan.step, 28);
  EXPECT_EQ(plan.columns, 27);
  ASSERT_EQ(plan.timeGrid.size(), 28u);
  ASSERT_EQ(plan.temperatureGrid.size(), 11u);
  EXPECT_EQ(plan.temperatureLabels.front().text, L"0 \u00b0C");
  EXPECT_EQ(plan.temperatureLabels.back().text, L"100 \u00b0C");
  EXPECT_EQ(plan.temperatureLabels.front().at, (GraphPoint{2, 307}));
  EXPECT_EQ(plan.temperatureGrid.back().from, (GraphPoint{50, 312 - 280}));
  EXPECT_EQ(plan.timeGrid.back().from, (GraphPoint{50 + 27 * 28, 312}));
  EXPECT_EQ(plan.timeLabels.back().at, (GraphPoint{50 + 27 * 28 - 10, 322}));
  EXPECT_EQ(plan.criticalLine.from.y, 312 - 154);
  EXPECT_EQ(plan.criticalLabel.at, (GraphPoint{150, 312 - 154 - 22}));
}

TEST(TempGraphPlan, HourLabelsRunThroughMidnightAsTwentyFour) {
  const auto series = Hours(0);
  std::vector<int> at15 = TimeLabels(PlanTemperatureGraph(0, 0, 818, 342, GraphMode::Hours, 15, series, 55));
  std::vector<int> expected;
  for (int v = 12; v <= 24; ++v) expected.push_back(v);
  for (int v = 1; v <= 15; ++v) expected.push_back(v);
  EXPECT_EQ(at15, expected);

  std::vector<int> at1 = TimeLabels(PlanTemperatureGraph(0, 0, 818, 342, GraphMode::Hours, 1, series, 55));
  expected = {22, 23, 24};
  for (int v = 1; v <= 24; ++v) expected.push_back(v);
  expected.push_back(1);
  EXPECT_EQ(at1, expected);

  // Midnight itself, and a clock that could not be read.
  EXPECT_EQ(TimeLabels(PlanTemperatureGraph(0, 0, 818, 342, GraphMode::Hours, 0, series, 55)).back(), 24);
  for (int label : TimeLabels(PlanTemperatureGraph(0, 0, 818, 342, GraphMode::Hours, -1, series, 55))) {
    EXPECT_GE(label, 1);
    EXPECT_LE(label, 24);
  }
}

TEST(TempGraphPlan, MinuteLabelsStayBetweenOneAndSixty) {
  std::array<uint32_t, 100> minutes{};
  // Wide enough for all 100 columns.
  const TempGraphPlan plan = PlanTemperatureGraph(0, 0, 60 + 99 * 28, 342, GraphMode::Minutes, 0, minutes, 55);
  ASSERT_EQ(plan.columns, 99);
  const std::vector<int> labels = TimeLabels(plan);
  EXPECT_EQ(labels.back(), 60);
  EXPECT_EQ(labels.front(), 21);  // 0 - 99 + 120
  EXPECT_EQ(ClockLabel(-1 - 99, GraphMode::Minutes), 20);
  EXPECT_EQ(ClockLabel(-120, GraphMode::Minutes), 60);
  EXPECT_EQ(ClockLabel(24, GraphMode::Hours), 24);
  EXPECT_EQ(ClockLabel(-24, GraphMode::Hours), 24);
}

TEST(TempGraphPlan, TemperatureLineClimbsFromTheOriginAndEndsAtTheNewestSample) {
  std::array<uint32_t, 30> series{};
  for (size_t k = 0; k < series.size(); ++k) series[k] = static_cast<uint32_t>(20 + k);  // newest 20
  const TempGraphPlan plan = PlanTemperatureGraph(0, 0, 818, 342, GraphMode::Hours, 15, series, 55);
  ASSERT_EQ(plan.temperatureLine.size(), 29u);
  EXPECT_EQ(plan.temperatureLine[0], (GraphPoint{50, 312}));
  EXPECT_EQ(plan.temperatureLine[1], (GraphPoint{50, 342 - 47 * 28 / 10 - 30}));  // element 27
  EXPECT_EQ(plan.temperatureLine.back(), (GraphPoint{50 + 27 * 28, 342 - 20 * 28 / 10 - 30}));
}

TEST(TempGraphPlan, TooWideOrTooLowAreasStayInsideTheSeries) {
  // Hours has 30 samples: a control room for 41 columns still draws 30.
  const auto series = Hours(40);
  const TempGraphPlan wide = PlanTemperatureGraph(0, 0, 60 + 40 * 28, 342, GraphMode::Hours, 15, series, 55);
  EXPECT_EQ(wide.columns, 29);
  EXPECT_EQ(wide.timeGrid.size(), 30u);
  EXPECT_EQ(wide.temperatureLine.size(), 31u);
  EXPECT_EQ(TimeLabels(wide).back(), 15);
  EXPECT_EQ(TimeLabels(wide).front(), 10);  // 15 - 29 + 24

  // Below 70 pixels there is no step: only the background.
  const TempGraphPlan low = PlanTemperatureGraph(0, 0, 818, 69, GraphMode::Hours, 15, series, 55);
  EXPECT_EQ(low.step, 0);
  EXPECT_TRUE(low.timeGrid.empty() && low.temperatureGrid.empty() && low.temperatureLine.empty());
  EXPECT_EQ(PlanTemperatureGraph(0, 0, 818, 70, GraphMode::Hours, 15, series, 55).step, 1);
  EXPECT_EQ(PlanTemperatureGraph(0, 0, 818, 10, GraphMode::Hours, 15, series, 55).step, -5);

  // Narrower than the margins: no column at all.
  const TempGraphPlan narrow = PlanTemperatureGraph(0, 0, 50, 342, GraphMode::Hours, 15, series, 55);
  EXPECT_EQ(narrow.columns, -1);
  EXPECT_TRUE(narrow.timeGrid.empty());
  EXPECT_EQ(narrow.temperatureLine.size(), 1u);

  // A critical temperature no drive reaches stays a sane coordinate.
  const TempGraphPlan hot = PlanTemperatureGraph(0, 0, 818, 342, GraphMode::Hours, 15, series, 2147483647);
  EXPECT_LT(hot.criticalLine.from.y, 0);
  EXPECT_GT(hot.criticalLine.from.y, -(1 << 21));
}

TEST(TempGraphPaint, CriticalLineLies154PixelsAboveTheAxis) {
  const auto series = Hours(40);
  const QImage image = Paint(PlanTemperatureGraph(0, 0, 818, 342, GraphMode::Hours, 15, series, 55), 818, 342);
  // A column between two vertical grid lines.
  const int x = 50 + 10 * 28 + 14;
  const std::set<int> axis = RowsOf(image, x, graph_colors::kAxis);
  const std::set<int> red = RowsOf(image, x, graph_colors::kCritical);
  const std::set<int> yellow = RowsOf(image, x, graph_colors::kTemperature);
  ASSERT_EQ(axis.size(), 2u);
  ASSERT_EQ(red.size(), 2u);
  ASSERT_EQ(yellow.size(), 2u);
  EXPECT_EQ(*axis.begin() - *red.begin(), 154);
  EXPECT_EQ(*axis.begin() - *yellow.begin(), 112);  // 40 degrees
  EXPECT_TRUE(axis.count(312));
  // The red line runs between the axis and the right margin.
  const std::set<int> redColumns = ColumnsOf(image, *red.begin(), graph_colors::kCritical);
  EXPECT_LE(*redColumns.begin(), 50);
  EXPECT_GE(*redColumns.rbegin(), 808);
  EXPECT_LE(*redColumns.rbegin(), 810);
}

TEST(TempGraphPaint, CriticalLabelIsWrittenAboveTheLineOnAnOpaqueBackground) {
  const auto series = Hours(0);
  const TempGraphPlan plan = PlanTemperatureGraph(0, 0, 818, 342, GraphMode::Hours, 15, series, 55);
  const QImage image = Paint(plan, 818, 342);

  // The label's pixels are exactly a fresh rendering of the text at the same
  // place: the right words, in the right place.
  QImage expected(818, 342, QImage::Format_RGB32);
  expected.fill(graph_colors::kBackground);
  QPainter painter(&expected);
  const QFontMetrics metrics(painter.font());
  const QString text = "Critical temperature";
  painter.drawText(QPoint(150, 312 - 154 - 22 + metrics.ascent()), text);
  painter.end();
  const QRect box(150, 312 - 154 - 22, metrics.horizontalAdvance(text), metrics.height());
  ASSERT_LT(box.bottom(), 312 - 154 - 1);  // clear of the red line
  EXPECT_EQ(image.copy(box), expected.copy(box));
  int dark = 0;
  for (int y = box.top(); y <= box.bottom(); ++y)
    for (int x = box.left(); x <= box.right(); ++x)
      if (qGray(image.pixel(x, y)) < 100) ++dark;
  EXPECT_GT(dark, 20);
}

TEST(TempGraphPaint, HourLabelsAroundMidnightArePaintedUnderTheirColumns) {
  const auto series = Hours(0);
  const TempGraphPlan plan = PlanTemperatureGraph(0, 0, 818, 342, GraphMode::Hours, 1, series, 55);
  const QImage image = Paint(plan, 818, 342);
  // Column c stands at x = 50 + 28 c; at 01:xx columns 2, 3 and 27 read 24, 1 and 1.
  const std::pair<int, QString> checks[] = {{0, "22"}, {2, "24"}, {3, "1"}, {26, "24"}, {27, "1"}};
  for (const auto& [column, text] : checks) {
    QImage expected(818, 342, QImage::Format_RGB32);
    expected.fill(graph_colors::kBackground);
    QPainter painter(&expected);
    const QFontMetrics metrics(painter.font());
    const int x = 50 + 28 * column - 10;
    painter.drawText(QPoint(x, 322 + metrics.ascent()), text);
    painter.end();
    const QRect box(x, 322, metrics.horizontalAdvance(text), metrics.height());
    EXPECT_EQ(image.copy(box), expected.copy(box)) << column << " " << text.toStdString();
  }
}

TEST(TempGraphPaint, AllZeroHistoryRunsAlongTheHorizontalAxis) {
  const auto zeros = Hours(0);
  const QImage image = Paint(PlanTemperatureGraph(0, 0, 818, 342, GraphMode::Hours, 15, zeros, 55), 818, 342);
  const auto warm = Hours(40);
  const QImage reference = Paint(PlanTemperatureGraph(0, 0, 818, 342, GraphMode::Hours, 15, warm, 55), 818, 342);
  for (int x : {60, 200, 420, 790}) {
    EXPECT_EQ(RowsOf(image, x, graph_colors::kTemperature), RowsOf(reference, x, graph_colors::kAxis)) << x;
    EXPECT_TRUE(RowsOf(image, x, graph_colors::kAxis).empty()) << x;
  }
  // Nothing yellow anywhere above the axis.
  for (int y = 0; y < 309; ++y) EXPECT_TRUE(ColumnsOf(image, y, graph_colors::kTemperature).empty()) << y;
}

TEST(TempGraphPaint, LineStartsWithAStrokeUpTheVerticalAxis) {
  std::array<uint32_t, 30> series{};
  series[27] = 50;  // the oldest sample shown
  const QImage image = Paint(PlanTemperatureGraph(0, 0, 818, 342, GraphMode::Hours, 15, series, 90), 818, 342);
  const std::set<int> rows = RowsOf(image, 50, graph_colors::kTemperature);
  ASSERT_FALSE(rows.empty());
  EXPECT_LE(*rows.begin(), 312 - 140);
  EXPECT_GE(*rows.begin(), 312 - 141);
  // Unbroken from the oldest point down to the axis.
  for (int y = 312 - 139; y < 310; ++y) EXPECT_TRUE(rows.count(y)) << y;
}

TEST(TempGraphPaint, TooLowAnAreaIsOnlyBackground) {
  const auto series = Hours(40);
  const QImage image = Paint(PlanTemperatureGraph(0, 0, 300, 69, GraphMode::Hours, 15, series, 55), 300, 69);
  for (int y = 0; y < image.height(); ++y)
    EXPECT_EQ(ColumnsOf(image, y, graph_colors::kBackground).size(), 300u) << y;
}

TEST(TempGraphCtrl, PaintsTheDrivesSeriesOfTheChosenViewInsideItsBorder) {
  driveSlots = {};
  driveSlots[2].hourHistory.fill(40);
  driveSlots[2].minuteHistory.fill(30);
  FixedClock clock(15, 42);
  CTempGraphCtrl control;
  control.drive = 2;
  control.criticalTemperature = 55;
  control.clock = &clock;
  control.resize(818 + 2, 342 + 2);  // one-pixel border
  ASSERT_EQ(control.contentsRect().size(), QSize(818, 342));

  const GraphMode saved = graphMode;
  graphMode = GraphMode::Hours;
  QImage hours = control.grab().toImage();
  graphMode = GraphMode::Minutes;
  const TempGraphPlan minutePlan = control.CurrentPlan();
  QImage minutes = control.grab().toImage();
  graphMode = saved;

  const int x = 1 + 50 + 10 * 28 + 14;
  EXPECT_EQ(*RowsOf(hours, x, graph_colors::kAxis).begin() - *RowsOf(hours, x, graph_colors::kTemperature).begin(), 112);
  EXPECT_EQ(*RowsOf(minutes, x, graph_colors::kAxis).begin() - *RowsOf(minutes, x, graph_colors::kTemperature).begin(), 84);
  EXPECT_EQ(*RowsOf(hours, x, graph_colors::kAxis).begin() - *RowsOf(hours, x, graph_colors::kCritical).begin(), 154);
  EXPECT_EQ(TimeLabels(minutePlan).back(), 42);
  EXPECT_EQ(TimeLabels(minutePlan).front(), 15);  // 42 - 27
  EXPECT_NE(hours.pixelColor(0, 100), graph_colors::kBackground);  // the border
  driveSlots = {};
}
