// The temperature graph: the pixels of a real paint into an image.
#include "gui/qt/temp_graph_painter.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <vector>

#include "core/view/temp_graph_plan.h"
#include "support/graph_plans.h"

using namespace taruk;

namespace {

QImage Paint(const TempGraphPlan& plan) {
  QImage image(plan.width, plan.height, QImage::Format_RGB32);
  image.fill(Qt::magenta);
  QPainter painter(&image);
  PaintTemperatureGraph(painter, plan);
  return image;
}

std::set<int> RowsOf(const QImage& image, int x, const QColor& color) {
  std::set<int> rows;
  for (int y = 0; y < image.height(); ++y)
    if (image.pixelColor(x, y) == color) rows.insert(y);
  return rows;
}

// True when the image holds exactly `text` with its top-left corner at `at`,
// as the painter's font writes it on the background.
bool HasText(const QImage& image, QPoint at, const QString& text) {
  QImage expected(image.size(), QImage::Format_RGB32);
  expected.fill(graph_colors::kBackground);
  QPainter painter(&expected);
  const QFontMetrics metrics(painter.font());
  painter.drawText(at + QPoint(0, metrics.ascent()), text);
  painter.end();
  const QRect box(at, QSize(metrics.horizontalAdvance(text), metrics.height()));
  return image.copy(box) == expected.copy(box);
}
}  // namespace

TEST(TempGraphPaint, LinesLieWhereTheTemperaturesSay) {
  const auto warm = Hours(40);
  const QImage image = Paint(Plan(warm));
  const int x = 50 + 10 * 28 + 14;  // between two vertical grid lines
  const std::set<int> axis = RowsOf(image, x, graph_colors::kAxis);
  ASSERT_EQ(axis.size(), 2u);
  EXPECT_TRUE(axis.count(312));
  EXPECT_EQ(*axis.begin() - *RowsOf(image, x, graph_colors::kCritical).begin(), 154);
  EXPECT_EQ(*axis.begin() - *RowsOf(image, x, graph_colors::kTemperature).begin(), 112);

  // All zeros: the yellow line covers the axis and nothing else.
  const auto zeros = Hours(0);
  const QImage flat = Paint(Plan(zeros));
  for (int column : {60, x, 790}) {
    EXPECT_EQ(RowsOf(flat, column, graph_colors::kTemperature), axis) << column;
    EXPECT_TRUE(RowsOf(flat, column, graph_colors::kAxis).empty()) << column;
  }

  // The line starts with a stroke up the vertical axis to the oldest sample.
  std::array<uint32_t, 30> oldestHot{};
  oldestHot[27] = 50;
  const std::set<int> stroke = RowsOf(Paint(Plan(oldestHot, 15, 90)), 50, graph_colors::kTemperature);
  for (int y = 312 - 139; y < 310; ++y) EXPECT_TRUE(stroke.count(y)) << y;
  EXPECT_LE(*stroke.begin(), 312 - 140);

  // Below 70 pixels there is no step: background and nothing else.
  const QImage low = Paint(Plan(warm, 15, 55, 300, 69));
  QImage background(300, 69, QImage::Format_RGB32);
  background.fill(graph_colors::kBackground);
  EXPECT_EQ(low, background);
}

TEST(TempGraphPaint, LabelsAreWrittenWhereThePlanPutsThem) {
  const auto series = Hours(0);
  const QImage image = Paint(Plan(series, 1));
  EXPECT_TRUE(HasText(image, {150, 312 - 154 - 22}, "Critical temperature"));
  // At 01:xx columns 0, 2, 3 and 27 read 22, 24, 1 and 1.
  const std::pair<int, QString> columns[] = {{0, "22"}, {2, "24"}, {3, "1"}, {27, "1"}};
  for (const auto& [column, text] : columns) EXPECT_TRUE(HasText(image, {50 + 28 * column - 10, 322}, text)) << column;
  EXPECT_FALSE(HasText(image, {50 + 28 * 2 - 10, 322}, "0"));
}
