// The main window on the demo drives: what a user sees on first start on a
// machine whose drives cannot be read, and screenshots of it under the build
// folder (screenshots/). Fallen back on, the demo drives never act; named
// with --replay, the same drives do.
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "core/capture/replay_device_opener.h"
#include "core/capture/replay_volumes.h"
#include "core/drive/drive_slot.h"
#include "core/settings/settings_file.h"
#include "gui/qt/about_dlg.h"
#include "gui/qt/monitor_dlg.h"
#include "gui/toolkit/icon_button.h"
#include "qt/modal_watcher.h"
#include "qt/test_services.h"
#include "support/quiet_machine.h"
#include "support/recording_platform.h"
#include "support/scoped_env.h"
#include "window_parts.h"

using namespace taruk;

using namespace monitor_ids;

namespace {

class DemoWindow : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(settingsHome.isValid());
    ASSERT_TRUE(QDir(settingsHome.path()).mkpath(QStringLiteral("Taruk")));
    // As the program starts where no drive can be read.
    window = std::make_unique<CMonitorDlg>(monitor, kReason);
    ASSERT_TRUE(window->IsBuilt());
  }
  QString Text(int id) const { return ControlText(window->Control(id)); }
  bool Shown(int id) const { return !window->Control(id)->isHidden(); }
  void Save(QWidget& widget, const char* name) {
    QDir().mkpath(QStringLiteral(TARUK_SCREENSHOT_DIR));
    const QString path = QStringLiteral(TARUK_SCREENSHOT_DIR "/%1.png").arg(QLatin1String(name));
    EXPECT_TRUE(widget.grab().save(path)) << path.toStdString();
  }

  static inline const QString kReason = QStringLiteral("/dev/vda: permission denied");
  QTemporaryDir settingsHome;
  ScopedEnv appData{"APPDATA", settingsHome.path().toStdString()};
  ReplayDeviceOpener drives{TARUK_DEMO_DIR};
  ReplayVolumes volumes{ReplayVolumesPath(TARUK_DEMO_DIR)};
  FixedClock clock{15, 30};
  QuietPlatform platform;
  Monitor monitor{{.drives = drives, .volumes = volumes, .clock = clock, .platform = platform, .demoDrives = true}};
  std::unique_ptr<CMonitorDlg> window;
};

TEST_F(DemoWindow, ShowsEveryDemoDriveAndItsPanel) {
  // Model texts without the drive's padding, which would wrap the caption;
  // the line break ends the first line.
  EXPECT_EQ(window->DiskButton(0)->text(), QStringLiteral("HD0: WD_BLACK SN770 1TB\nCapacity: 1000.20 Gb"));
  EXPECT_EQ(window->DiskButton(2)->text(), QStringLiteral("HD2: DTLA-307030\nCapacity: 30.73 Gb"));
  for (int n = 0; n < kDiskButtonCount; ++n) EXPECT_FALSE(window->DiskButton(n)->isHidden()) << n;

  EXPECT_EQ(Text(kManufacturer), QStringLiteral("Western Digital"));
  EXPECT_EQ(Text(kSerialNumber), QStringLiteral("22136P801234        "));
  EXPECT_EQ(Text(kTemperature), QString::fromUtf8("41 °C"));
  EXPECT_EQ(Text(kWorkTime), QStringLiteral("14523 hours (605 days)"));
  EXPECT_TRUE(Shown(kTemperature) && Shown(kTemperatureIcon) && Shown(kGraph));

  QTest::mouseClick(window->DiskButton(2), Qt::LeftButton);
  EXPECT_EQ(Text(kManufacturer), QStringLiteral("IBM"));
  EXPECT_EQ(Text(kWorkTime), QStringLiteral("31870 hours (1327 days)"));
  EXPECT_FALSE(Shown(kTemperature) || Shown(kTemperatureIcon) || Shown(kGraph));

  QTest::mouseClick(window->DiskButton(3), Qt::LeftButton);
  EXPECT_EQ(Text(kManufacturer), QStringLiteral("MAXTOR"));
  EXPECT_EQ(Text(kSerialNumber), QStringLiteral("5QE3ABCD            "));
  EXPECT_EQ(Text(kTemperature), QString::fromUtf8("38 °C"));
  EXPECT_TRUE(Shown(kTemperature) && Shown(kTemperatureIcon) && Shown(kGraph));

  // The details and the graph open for the selected drive.
  for (int command : {kDetails, kGraph}) {
    QString title;
    ModalWatcher watcher([&](QWidget* modal) {
      title = modal->windowTitle();
      Dismiss(modal);
    });
    window->SendCommand(command);
    const QString drive = QStringLiteral(" - HD3: STM3200820A, S/N 5QE3ABCD");
    EXPECT_EQ(
        title,
        (command == kDetails ? QStringLiteral("S.M.A.R.T. details") : QStringLiteral("Temperature Graphic")) + drive);
  }

  // The Seagate is the demo's drive in caution: a badge on its button (the
  // disk icon has no amber of its own). The tray's tooltip says first that
  // these drives are made up.
  for (int n = 0; n < kDiskButtonCount; ++n) {
    const QColor corner = window->DiskButton(n)->Icon(1).icon.pixelColor(19, 24);
    EXPECT_EQ(corner.red() > 200 && corner.green() > 120 && corner.blue() < 60, n == 1) << n;
  }
  EXPECT_EQ(TrayIconOf(*window)->toolTip(), QStringLiteral("Taruk: demo drives, alarms off"));

  // A cycle re-reads the drives and keeps the selection.
  window->RunMonitoringCycle();
  EXPECT_EQ(Text(kManufacturer), QStringLiteral("MAXTOR"));
}

TEST_F(DemoWindow, FallenBackOnTheyNeverActNamedWithReplayTheyDo) {
  // The demo Seagate (HD1) runs at 57 °C, above the default 55; /srv/backup
  // has 524 MB free.
  MonitorConfig alarms;
  alarms.temperatureAction = AlarmAction::ShutDown;
  alarms.freeSpaceAction = AlarmAction::ShowNotification;
  alarms.minimumFreeSpace = 1000;
  ASSERT_TRUE(SaveSettings(alarms));
  const std::wstring notice =
      L"balloon Taruk|No drive could be read here: /dev/vda: permission denied. Showing demo drives; alarms are "
      L"off.|5000";
  const std::wstring health = L"balloon Taruk|HD1: ST3160023A health: caution (3 pending sectors)|5000";
  const std::vector<std::wstring> oneTick = {
      L"privilege shutdown", L"shutdown",
      L"balloon Taruk|Disk /srv/backup: Minimum disk free space reached! Current free space 524 Mb, minimum 1000 "
      L"Mb|5000"};

  for (const bool fellBack : {true, false}) {
    SCOPED_TRACE(fellBack ? "fell back on the demo drives" : "--replay of the demo drives");
    RecordingPlatform recorder;
    FixedClock steps{15, 0};
    Monitor replayed(
        {.drives = drives, .volumes = volumes, .clock = steps, .platform = recorder, .demoDrives = fellBack});
    CMonitorDlg demo(replayed, fellBack ? std::optional<QString>(kReason) : std::nullopt);
    QTest::qWait(1);  // the event loop runs: the start balloon goes out
    for (int tick = 0; tick < 3; ++tick) {
      ++steps.minute;
      demo.RunMonitoringCycle();
    }
    // The history and the panel go on as usual.
    EXPECT_EQ(replayed.Slots()[1].minuteHistory[0], 57u);
    EXPECT_EQ(replayed.Slots()[1].minuteHistory[2], 57u);
    EXPECT_EQ(ControlText(demo.Control(kTemperature)), QString::fromUtf8("41 °C"));

    std::vector<std::wstring> expected;
    if (fellBack) {
      expected = {notice};
    } else {
      expected = {health};  // once at start, not on every tick
      for (int tick = 0; tick < 3; ++tick) expected.insert(expected.end(), oneTick.begin(), oneTick.end());
    }
    EXPECT_EQ(recorder.calls, expected);
    EXPECT_EQ(demo.windowTitle(),
              fellBack ? QStringLiteral("Taruk S.M.A.R.T. (demo drives)") : QStringLiteral("Taruk S.M.A.R.T."));
    ASSERT_NE(TrayIconOf(demo), nullptr);
    EXPECT_EQ(TrayIconOf(demo)->toolTip(),
              fellBack ? QStringLiteral("Taruk: demo drives, alarms off")
                       : QStringLiteral("Taruk\nHD1: ST3160023A health: caution (3 pending sectors)"));
  }
}

TEST_F(DemoWindow, Screenshots) {
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  Save(*window, "main_window");

  // The pointer over disk button 1: coloured icon, raised frame, pale face.
  CIconButton* hovered = window->DiskButton(1);
  QTest::mouseMove(window.get(), hovered->geometry().center());
  ASSERT_TRUE(hovered->IsHovering());
  Save(*window, "main_window_hover");
  Save(*hovered, "disk_button_hover");

  QTest::mouseClick(window->DiskButton(2), Qt::LeftButton);
  QTest::mouseMove(window.get(), QPoint(2, 2));
  Save(*window, "main_window_drive2");
  // The drive in caution: its health line in amber.
  QTest::mouseClick(window->DiskButton(1), Qt::LeftButton);
  QTest::mouseMove(window.get(), QPoint(2, 2));
  Save(*window, "main_window_health_caution");

  CAboutDlg about(window.get());
  about.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
  Save(about, "about_box");
}

}  // namespace
