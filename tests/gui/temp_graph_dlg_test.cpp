// The temperature graph window: its graph control, and the view remembered
// from one opening to the next.
#include <gtest/gtest.h>

#include <QRadioButton>
#include <QTest>

#include "drive/drive_slot.h"
#include "graph/temp_graph_ctrl.h"
#include "graph/temp_graph_dlg.h"
#include "gui/fixed_clock.h"

namespace {

class TempGraphDlgTest : public testing::Test {
 protected:
  void SetUp() override {
    savedMode = graphMode;
    graphMode = GraphMode::Hours;  // as at the process's start
    driveSlots = {};
  }
  void TearDown() override {
    graphMode = savedMode;
    driveSlots = {};
  }
  GraphMode savedMode = GraphMode::Hours;
};

}  // namespace

TEST_F(TempGraphDlgTest, GraphShowsTheGivenDriveAndCriticalTemperature) {
  CTempGraphDlg dialog(3, 48);
  ASSERT_TRUE(dialog.IsBuilt()) << dialog.BuildError().toStdString();
  EXPECT_EQ(dialog.windowTitle(), "Temperature Graphic");
  CTempGraphCtrl* graph = dialog.Graph();
  ASSERT_NE(graph, nullptr);
  EXPECT_EQ(graph->drive, 3);
  EXPECT_EQ(graph->criticalTemperature, 48);
  // The dialog font leaves room for the whole scale and no more columns than
  // either series has.
  const TempGraphPlan plan = graph->CurrentPlan();
  EXPECT_GE(plan.step, 1);
  EXPECT_EQ(plan.temperatureGrid.size(), 11u);
  EXPECT_LE(plan.columns + 1, kHourHistoryLength);
}

TEST_F(TempGraphDlgTest, ChosenViewIsKeptForTheNextOpening) {
  FixedClock clock(15, 42);
  {
    CTempGraphDlg dialog(0, 55);
    dialog.Graph()->clock = &clock;
    dialog.show();
    EXPECT_TRUE(dialog.Control<QRadioButton>(CTempGraphDlg::IdHours)->isChecked());
    EXPECT_EQ(dialog.Graph()->CurrentPlan().timeLabels.back().text, L"15");
    QTest::mouseClick(dialog.Control(CTempGraphDlg::IdMinutes), Qt::LeftButton);
    EXPECT_EQ(graphMode, GraphMode::Minutes);
    EXPECT_TRUE(dialog.Control<QRadioButton>(CTempGraphDlg::IdMinutes)->isChecked());
    EXPECT_EQ(dialog.Graph()->CurrentPlan().timeLabels.back().text, L"42");
    dialog.SendCommand(1);
    EXPECT_FALSE(dialog.isVisible());
  }
  CTempGraphDlg reopened(0, 55);
  EXPECT_TRUE(reopened.Control<QRadioButton>(CTempGraphDlg::IdMinutes)->isChecked());
  EXPECT_FALSE(reopened.Control<QRadioButton>(CTempGraphDlg::IdHours)->isChecked());
  QTest::mouseClick(reopened.Control(CTempGraphDlg::IdHours), Qt::LeftButton);
  EXPECT_EQ(graphMode, GraphMode::Hours);
}
