// A machine with ten drives in the main window: the four disk buttons show a
// page of drives, and the page control's list reaches every drive in two
// clicks, with its panel, details and graph.
#include <QDir>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "core/capture/replay_device_opener.h"
#include "core/drive/volumes.h"
#include "gui/qt/monitor_dlg.h"
#include "gui/toolkit/icon_button.h"
#include "qt/modal_watcher.h"
#include "qt/test_services.h"
#include "support/scoped_env.h"

using namespace taruk;
using namespace monitor_ids;

namespace {

QString Text(const CMonitorDlg& window, int id) { return ControlText(window.Control(id)); }

// The page control's list, opened by a click (the first), its drives in
// order; the action chosen is the second click. The list goes when closed.
struct OpenList {
  explicit OpenList(CMonitorDlg& window) {
    QTest::mouseClick(window.DrivePageControl(), Qt::LeftButton);
    menu = window.findChild<QMenu*>(QStringLiteral("driveList"));
    if (!menu) return;
    for (QAction* action : menu->actions()) {
      if (!action->isSeparator()) drives.append(action);
    }
  }
  ~OpenList() {
    if (menu) menu->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  QMenu* menu = nullptr;
  QList<QAction*> drives;
};

TEST(DrivePagesWindow, TenReplayedDrivesAreEachTwoClicksAway) {
  QTemporaryDir settingsHome, captures;
  ASSERT_TRUE(QDir(settingsHome.path()).mkpath(QStringLiteral("Taruk")));
  ScopedEnv appData{"APPDATA", settingsHome.path().toStdString()};
  ASSERT_EQ(QProcess::execute(QStringLiteral("/usr/bin/python3"),
                              {QStringLiteral(TARUK_SOURCE_DIR "/scripts/make-demo-captures.py"), captures.path(),
                               QStringLiteral("--drives"), QStringLiteral("10")}),
            0);
  ReplayDeviceOpener drives(captures.path().toStdString());
  NoVolumes volumes;
  FixedClock clock{15, 30};
  QuietPlatform platform;
  Monitor monitor({drives, volumes, clock, platform});
  CMonitorDlg window(monitor);
  ASSERT_EQ(monitor.Slots().size(), 10u);
  window.show();

  // The first page, as the four-drive window, with the control below it.
  ASSERT_NE(window.DrivePageControl(), nullptr);
  EXPECT_EQ(window.DrivePageControl()->text(), QStringLiteral("HD0-3 of 10 drives..."));
  EXPECT_GT(window.height(), window.DrivePageControl()->geometry().bottom());
  EXPECT_EQ(window.DiskButton(3)->text(), QStringLiteral("HD3: STM3200820A\nCapacity: 200.04 Gb"));
  QDir().mkpath(QStringLiteral(TARUK_SCREENSHOT_DIR));
  EXPECT_TRUE(window.grab().save(QStringLiteral(TARUK_SCREENSHOT_DIR "/main-window-ten-drives.png")));

  for (int drive = 0; drive < 10; ++drive) {
    SCOPED_TRACE(drive);
    {
      const OpenList list(window);
      ASSERT_EQ(list.drives.size(), 10);
      list.drives[drive]->trigger();
    }
    EXPECT_EQ(window.SelectedDrive(), drive);
    const int page = drive / 4, button = drive % 4;
    EXPECT_TRUE(window.DrivePageControl()->text().startsWith(QStringLiteral("HD%1-").arg(page * 4)));
    EXPECT_TRUE(window.DiskButton(button)->text().startsWith(QStringLiteral("HD%1: ").arg(drive)));
    EXPECT_FALSE(window.DiskButton(button)->isHidden());
    // The last page has two drives: the other two buttons are hidden.
    EXPECT_EQ(window.DiskButton(3)->isHidden(), page == 2);
    EXPECT_EQ(Text(window, kSerialNumber), QString::fromStdWString(monitor.Slots()[drive].serialNumber));
  }
  // The selected drive is checked in the list; its page's health in the list.
  {
    const OpenList list(window);
    ASSERT_EQ(list.drives.size(), 10);
    EXPECT_TRUE(list.drives[9]->isChecked());
    EXPECT_FALSE(list.drives[8]->isChecked());
    EXPECT_EQ(list.drives[7]->text(), QStringLiteral("HD7: WDC WD40EFRX-68N32N0 (bad)"));
  }
  EXPECT_EQ(Text(window, kHealthLine), QStringLiteral("Health: caution (4 pending sectors)"));
  EXPECT_TRUE(window.grab().save(QStringLiteral(TARUK_SCREENSHOT_DIR "/main-window-ten-drives-hd9.png")));

  // A button of this page selects its own drive; the cycle keeps the page.
  QTest::mouseClick(window.DiskButton(0), Qt::LeftButton);
  EXPECT_EQ(window.SelectedDrive(), 8);
  window.RunMonitoringCycle();
  EXPECT_EQ(window.SelectedDrive(), 8);
  EXPECT_TRUE(window.DiskButton(1)->text().startsWith(QStringLiteral("HD9: ")));

  // Details and graph name the drive beyond the fourth.
  const auto close = [](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); };
  {
    ModalWatcher details(close);
    window.SendCommand(kDetails);
    EXPECT_EQ(details.title, QStringLiteral("S.M.A.R.T. details - HD8: ST4000VN008-2DR166, S/N ZDH1496Q8"));
  }
  {
    ModalWatcher graph(close);
    window.SendCommand(kGraph);
    EXPECT_TRUE(graph.title.endsWith(QStringLiteral("HD8: ST4000VN008-2DR166, S/N ZDH1496Q8")))
        << graph.title.toStdString();
  }
}

}  // namespace
