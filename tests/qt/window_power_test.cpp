// A power alarm in the window while systemd-logind refuses it (python3-dbusmock
// on private buses): the privilege step's failure is shown in the system's
// error box, owned by no window, on every tick, and the request goes out all
// the same; what becomes of the request is only logged on stderr.
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "core/capture/replay_device_opener.h"
#include "core/drive/drive_slot.h"
#include "core/settings/settings_file.h"
#include "desktop/desktop_alert_platform.h"
#include "gui/qt/monitor_dlg.h"
#include "gui/qt/window_alert_platform.h"
#include "qt/message_box_watcher.h"
#include "qt/test_services.h"
#include "support/private_buses.h"
#include "support/scoped_env.h"

using namespace taruk;

namespace {

TEST(WindowPowerAction, RefusedOrUnreachableLogindIsShownAndTheRequestStillSent) {
  PrivateBuses buses;
  std::string problem;
  if (!buses.Start(problem)) GTEST_SKIP() << problem;
  MockService logind;
  ASSERT_TRUE(logind.Start(buses.Folder(), "logind", R"({"CanPowerOff": "no"})"));

  QTemporaryDir settingsHome;
  ScopedEnv appData{"APPDATA", settingsHome.path().toStdString()};
  ASSERT_TRUE(QDir(settingsHome.path()).mkpath(QStringLiteral("Taruk")));
  MonitorConfig alarms;
  alarms.temperatureAction = AlarmAction::ShutDown;  // the demo Seagate, HD1, runs at 57 °C
  ASSERT_TRUE(SaveSettings(alarms));

  ReplayDeviceOpener drives{TARUK_DEMO_DIR};
  NoVolumes volumes;
  FixedClock clock{15, 30};
  // Wired as the program wires its window.
  DesktopAlertPlatform machine;
  machine.sendRefusedPowerRequests = true;
  WindowAlertPlatform platform(machine);
  Monitor monitor({drives, volumes, clock, platform});
  CMonitorDlg window(monitor);
  platform.SetWindow(&window);
  MessageBoxWatcher boxes;

  window.RunMonitoringCycle();
  window.RunMonitoringCycle();
  EXPECT_EQ(logind.Calls(), "CanPowerOff\nPowerOff False\nCanPowerOff\nPowerOff False\n");
  ASSERT_EQ(boxes.seen.size(), 2u);
  for (const SeenMessageBox& box : boxes.seen) {
    EXPECT_EQ(box.title, QStringLiteral("Error"));
    EXPECT_EQ(box.icon, QMessageBox::Information);
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.text,
              QStringLiteral("This program is not allowed to shut down the system (systemd-logind answers \"no\")"));
  }

  // No logind at all: the box gives the bus's reason; the request fails, and
  // that is logged, not shown.
  logind.Stop();
  testing::internal::CaptureStderr();
  window.RunMonitoringCycle();
  const std::string logged = testing::internal::GetCapturedStderr();
  ASSERT_EQ(boxes.seen.size(), 3u);
  EXPECT_TRUE(boxes.seen[2].text.startsWith(QStringLiteral("systemd-logind: CanPowerOff: ")))
      << boxes.seen[2].text.toStdString();
  EXPECT_NE(logged.find("taruk: Error: systemd-logind: PowerOff: "), std::string::npos) << logged;
}

}  // namespace
