// Pictures of the three dialogs for a person to look at, written under the
// build folder (screenshots/). They also catch a dialog that cannot be built
// or draws nothing.
#include <QDir>
#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>

#include "core/capture/replay_device_opener.h"
#include "core/drive/drive_slot.h"
#include "core/drive/read_drive_info.h"
#include "core/monitor/drive_numbering.h"
#include "core/monitor/history.h"
#include "gui/qt/options_dlg.h"
#include "gui/qt/self_test_dlg.h"
#include "gui/qt/smart_details_dlg.h"
#include "gui/qt/temp_graph_ctrl.h"
#include "gui/qt/temp_graph_dlg.h"
#include "support/quiet_machine.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

using namespace taruk;

namespace {

void Save(QWidget& dialog, const QString& name) {
  QDir().mkpath(TARUK_SCREENSHOT_DIR);
  const QImage image = dialog.grab().toImage();
  ASSERT_FALSE(image.isNull());
  const QString path = QString(TARUK_SCREENSHOT_DIR) + "/" + name;
  ASSERT_TRUE(image.save(path)) << path.toStdString();
  std::printf("screenshot: %s (%dx%d)\n", qPrintable(path), image.width(), image.height());
}

}  // namespace

TEST(DialogScreenshots, OptionsDetailsAndGraphOnTheDemoDrives) {
  FixedClock clock{3, 42};  // the monitor started at 03:42
  DriveSlots driveSlots = DriveSlots(kDiskButtonCount);
  ResetHistory(driveSlots, clock);
  ReplayDeviceOpener demo(TARUK_DEMO_DIR);
  ReadEveryDrive(demo, driveSlots);
  ASSERT_TRUE(driveSlots[0].IsPresent() && driveSlots[1].IsPresent());

  // Twelve hours of one-minute cycles; HD1 runs hot, slowly warming from
  // 49 degrees to the 57 it reports.
  const uint32_t hot = driveSlots[1].temperature;
  for (int minute = 1; minute <= 12 * 60; ++minute) {
    clock.Advance(1);
    driveSlots[1].temperature = hot - 8 + static_cast<uint32_t>(std::min(8, minute / 60));
    for (DriveSlot& slot : driveSlots) RecordHistory(slot, 60, clock);
  }
  driveSlots[1].temperature = hot;

  ScratchDir scratch;
  ScopedEnv configDirs("XDG_CONFIG_DIRS", scratch.path());  // no autostart entry
  ScopedEnv configHome("XDG_CONFIG_HOME", scratch.path());
  COptionsDlg options;
  static_cast<OptionsExchange&>(options) = OptionsExchangeFromConfig(MonitorConfig{});
  options.temperatureAction = static_cast<int32_t>(AlarmAction::PlaySound);
  options.show();
  Save(options, "options.png");

  CSmartDetailsDlg details(driveSlots, 1);
  details.show();
  Save(details, "smart_details.png");

  const GraphMode saved = graphMode;
  for (const GraphMode mode : {GraphMode::Hours, GraphMode::Minutes}) {
    graphMode = mode;
    CTempGraphDlg graph(driveSlots, 1, 55, clock);
    graph.show();
    Save(graph, mode == GraphMode::Hours ? "temperature_graph_hours.png" : "temperature_graph_minutes.png");
  }
  graphMode = saved;
}

// The Self-test dialog over the demo's Seagate: a test running (only Abort
// offered), then a failed extended test at the top of its log.
TEST(DialogScreenshots, SelfTestRunningAndFailed) {
  DriveSlots driveSlots = DriveSlots(kDiskButtonCount);
  ReplayDeviceOpener demo(TARUK_DEMO_DIR);
  ReadEveryDrive(demo, driveSlots);
  DriveSlot running = driveSlots[1];
  running.selfTest.running = true;
  running.selfTest.percentDone = 60;
  CSelfTestDlg shownRunning(&demo, running, 1);
  shownRunning.show();
  EXPECT_TRUE(shownRunning.Control(CSelfTestDlg::IdAbort)->isEnabled());
  EXPECT_FALSE(shownRunning.Control(CSelfTestDlg::IdShort)->isEnabled());
  Save(shownRunning, "self_test_running.png");

  DriveSlot failed = driveSlots[1];
  failed.selfTest.log.insert(failed.selfTest.log.begin(),
                             SelfTestEntry{SelfTestKind::Extended, 7, SelfTestResult::Failed, 2208, 1234567, {}, {}});
  failed.selfTest.errorCount = 3;
  CSelfTestDlg shownFailed(&demo, failed, 1);
  shownFailed.show();
  EXPECT_TRUE(shownFailed.Control(CSelfTestDlg::IdShort)->isEnabled());
  Save(shownFailed, "self_test_failed.png");
}
