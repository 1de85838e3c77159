// The temperature graph window: the graph of the given drive, and the view
// remembered from one opening to the next.
#include "gui/qt/temp_graph_dlg.h"

#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include "core/drive/drive_slot.h"
#include "gui/qt/temp_graph_ctrl.h"
#include "support/quiet_machine.h"

using namespace taruk;

namespace {}  // namespace

TEST(TempGraphDlg, ShowsTheDrivesSeriesAndKeepsTheChosenView) {
  const GraphMode saved = graphMode;
  graphMode = GraphMode::Hours;  // as at the process's start
  DriveSlots driveSlots = DriveSlots(kDiskButtonCount);
  driveSlots[3].hourHistory.fill(40);
  driveSlots[3].minuteHistory.fill(30);
  FixedClock clock{15, 42};
  {
    driveSlots[3].model = L"WDC WD800JB-00JJC0    ";
    CTempGraphDlg dialog(driveSlots, 3, 48, clock);
    ASSERT_TRUE(dialog.IsBuilt()) << dialog.BuildError().toStdString();
    EXPECT_EQ(dialog.windowTitle(), "Temperature Graphic - HD3: WDC WD800JB-00JJC0");
    CTempGraphCtrl* graph = dialog.Graph();
    dialog.show();
    EXPECT_TRUE(dialog.Control<QRadioButton>(CTempGraphDlg::IdHours)->isChecked());
    // The dialog font leaves room for the whole scale, within the series.
    TempGraphPlan plan = graph->CurrentPlan();
    EXPECT_EQ(plan.temperatureGrid.size(), 11u);
    EXPECT_LE(plan.columns + 1, kHourHistoryLength);
    EXPECT_EQ(plan.temperatureLine.back().y, plan.horizontalAxis.from.y - 40 * plan.step / 10);
    EXPECT_EQ(plan.criticalLine.from.y, plan.horizontalAxis.from.y - 48 * plan.step / 10);
    EXPECT_EQ(plan.timeLabels.back().text, L"15");

    QTest::mouseClick(dialog.Control(CTempGraphDlg::IdMinutes), Qt::LeftButton);
    EXPECT_EQ(graphMode, GraphMode::Minutes);
    plan = graph->CurrentPlan();
    EXPECT_EQ(plan.temperatureLine.back().y, plan.horizontalAxis.from.y - 30 * plan.step / 10);
    EXPECT_EQ(plan.timeLabels.back().text, L"42");
    dialog.SendCommand(1);
    EXPECT_FALSE(dialog.isVisible());
  }
  CTempGraphDlg reopened(driveSlots, 0, 55, clock);
  EXPECT_TRUE(reopened.Control<QRadioButton>(CTempGraphDlg::IdMinutes)->isChecked());
  EXPECT_FALSE(reopened.Control<QRadioButton>(CTempGraphDlg::IdHours)->isChecked());
  graphMode = saved;
}
