// The main window: its start, its routing table, Close and Exit, the disk
// buttons and the panel, the notification-area menu.
#include "gui/qt/monitor_dlg.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "core/alarm/alert_platform.h"
#include "core/base/clock.h"
#include "core/capture/replay_device_opener.h"
#include "core/drive/drive_slot.h"
#include "core/drive/smart_device.h"
#include "core/drive/volumes.h"
#include "core/settings/settings_file.h"
#include "gui/qt/monitor_app.h"
#include "gui/qt/window_alert_platform.h"
#include "gui/toolkit/icon_button.h"
#include "qt/message_box_watcher.h"
#include "qt/modal_watcher.h"
#include "qt/test_services.h"
#include "support/monitor_test_access.h"
#include "support/recording_platform.h"
#include "support/scoped_env.h"
#include "window_parts.h"

using namespace taruk;

using namespace monitor_ids;

namespace {

DriveSlot Drive(const wchar_t* model, const wchar_t* serial, int gb, int mb, uint32_t temperature, uint32_t hours) {
  DriveSlot slot;
  slot.model = model;
  slot.serialNumber = serial;
  slot.capacityGb = gb;
  slot.capacityMb = mb;
  slot.temperature = temperature;
  slot.powerOnHours = hours;
  return slot;
}

class MainWindow : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(settingsHome.isValid());
    // The folder the settings file lives in, as the first start makes it.
    ASSERT_TRUE(QDir(settingsHome.path()).mkpath(QStringLiteral("Taruk")));
  }
  std::unique_ptr<CMonitorDlg> Open() {
    auto window = std::make_unique<CMonitorDlg>(monitor);
    EXPECT_TRUE(window->IsBuilt());
    return window;
  }
  QString Text(const CMonitorDlg& window, int id) { return ControlText(window.Control(id)); }

  QTemporaryDir settingsHome;
  ScopedEnv appData{"APPDATA", settingsHome.path().toStdString()};
  NoDrives drives;
  NoVolumes volumes;
  FixedClock clock{15, 30};
  QuietPlatform platform;
  Monitor monitor{{drives, volumes, clock, platform}};
};

TEST_F(MainWindow, StartsInOrderSettingsThenSlotsThenTimer) {
  MonitorConfig saved;
  saved.pollInterval = 42;
  saved.criticalTemperature = 61;
  ASSERT_TRUE(SaveSettings(saved));
  // Left over from an earlier run: the start must clear it before reading.
  MonitorTestAccess::Slots(monitor)[2] = Drive(L"STALE", L"X", 10, 0, 40, 1);

  auto window = Open();
  EXPECT_EQ(monitor.Config().criticalTemperature, 61);
  // The timer runs with the loaded interval, not the default one.
  EXPECT_TRUE(MonitorTimerOf(*window)->isActive());
  EXPECT_EQ(MonitorTimerOf(*window)->interval(), 42000);
  EXPECT_FALSE(MonitorTimerOf(*window)->isSingleShot());
  // Slots reset before the first read: nothing stale survives.
  EXPECT_FALSE(monitor.Slots()[2].IsPresent());
  EXPECT_EQ(monitor.Slots()[2].hourStamp, 15);
  EXPECT_EQ(drives.opens, 4);  // one pass over drives 0..3, no cycle yet
  EXPECT_TRUE(window->DiskButton(2)->isHidden());
  EXPECT_FALSE(window->DiskButton(0)->isHidden());
  EXPECT_EQ(window->DiskButton(0)->text(), QString());
  EXPECT_EQ(window->focusWidget(), window->DiskButton(0));
  ASSERT_NE(TrayIconOf(*window), nullptr);
  EXPECT_TRUE(TrayIconOf(*window)->isVisible());
  EXPECT_EQ(TrayIconOf(*window)->toolTip(), QStringLiteral("Taruk"));
}

TEST_F(MainWindow, HandEditedPollIntervalsDoNotSpinOrOverflowTheTimer) {
  for (int32_t interval : {0, -5, 2147483}) {
    MonitorConfig saved;
    saved.pollInterval = interval;
    ASSERT_TRUE(SaveSettings(saved));
    auto window = Open();
    EXPECT_GE(MonitorTimerOf(*window)->interval(), 1000) << interval;
  }
}

TEST_F(MainWindow, EnterEscapeAndCloseNeverEndTheWindow) {
  auto window = Open();
  QSignalSpy finished(window.get(), &QDialog::finished);
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  window->DiskButton(0)->setFocus();
  QTest::keyClick(window.get(), Qt::Key_Escape);
  QTest::keyClick(window.get(), Qt::Key_Return);
  QTest::keyClick(window.get(), Qt::Key_Enter);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(finished.count(), 0);

  window->close();
  EXPECT_EQ(finished.count(), 0);
  // Offscreen there is no notification area: the window is minimised rather
  // than hidden, or nothing could bring it back.
  EXPECT_TRUE(window->isMinimized() || window->isHidden());
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    EXPECT_TRUE(window->isHidden());
  }
  EXPECT_TRUE(MonitorTimerOf(*window)->isActive());
  EXPECT_TRUE(TrayIconOf(*window)->isVisible());

  window->SendCommand(ID_TRAY_SHOW);
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->isMinimized());
}

TEST_F(MainWindow, ExitAnsweredNoChangesNothing) {
  auto window = Open();
  window->hide();
  QSignalSpy finished(window.get(), &QDialog::finished);
  ModalWatcher watcher(Answer(QMessageBox::No));
  window->SendCommand(ID_TRAY_EXIT);
  ASSERT_TRUE(watcher.seen);
  EXPECT_EQ(watcher.title, QStringLiteral("Taruk"));
  EXPECT_EQ(watcher.text, QStringLiteral("Exit from application?"));
  EXPECT_EQ(watcher.icon, QMessageBox::Question);
  EXPECT_EQ(finished.count(), 0);
  EXPECT_TRUE(window->isHidden());
  EXPECT_TRUE(TrayIconOf(*window)->isVisible());
  EXPECT_TRUE(MonitorTimerOf(*window)->isActive());
  EXPECT_FALSE(QFile::exists(QString::fromStdWString(SettingsPath())));
}

TEST_F(MainWindow, ExitAnsweredYesSavesRemovesTheIconAndEndsTheRun) {
  auto window = Open();
  monitor.Config().criticalTemperature = 48;
  monitor.Config().smtpServer = L"mail.example.org";
  ModalWatcher watcher(Answer(QMessageBox::Yes));
  QTimer::singleShot(0, window.get(), [&] { window->SendCommand(ID_TRAY_EXIT); });
  EXPECT_EQ(RunMainWindow(*window), 0);
  EXPECT_TRUE(watcher.seen);
  EXPECT_FALSE(TrayIconOf(*window)->isVisible());
  EXPECT_FALSE(window->isVisible());
  MonitorConfig loaded;
  LoadSettings(loaded);
  EXPECT_EQ(loaded.criticalTemperature, 48);
  EXPECT_EQ(loaded.smtpServer, L"mail.example.org");
}

TEST_F(MainWindow, ASaveThatFailsShowsItsBoxAndLogsWhy) {
  auto window = Open();
  // The settings folder became a file: no conf.dat can be made in it.
  const QString folder = settingsHome.path() + QStringLiteral("/Taruk");
  ASSERT_TRUE(QDir(folder).removeRecursively());
  QFile blocker(folder);
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  std::optional<ModalWatcher> errorBox;
  ModalWatcher question([&](QWidget* modal) {
    errorBox.emplace(Answer(QMessageBox::Ok));
    errorBox->Ignore(modal);
    Answer(QMessageBox::Yes)(modal);
  });
  testing::internal::CaptureStderr();
  QTimer::singleShot(0, window.get(), [&] { window->SendCommand(ID_TRAY_EXIT); });
  EXPECT_EQ(RunMainWindow(*window), 0);
  const std::string log = testing::internal::GetCapturedStderr();
  ASSERT_TRUE(errorBox && errorBox->seen);
  EXPECT_EQ(errorBox->text, QStringLiteral("Can't save configuration to a file!"));
  const std::string start =
      "taruk: Can't save configuration to a file! " + QString::fromStdWString(SettingsPath()).toStdString() + ": ";
  const size_t at = log.find(start);  // among Qt's own lines
  ASSERT_NE(at, std::string::npos) << log;
  const size_t from = at + start.size();
  EXPECT_FALSE(log.substr(from, log.find('\n', from) - from).empty()) << "no reason given: " << log;
}

TEST_F(MainWindow, OptionsSaveANewPollIntervalButTheTimerKeepsItsPeriod) {
  auto window = Open();
  ASSERT_EQ(MonitorTimerOf(*window)->interval(), 60000);
  for (bool accept : {false, true}) {
    ModalWatcher watcher([accept](QWidget* modal) {
      ControlById<QLineEdit>(*modal, 1018)->setText(QStringLiteral("120"));
      ControlById<QLineEdit>(*modal, 1035)->setText(QString());
      ControlById<QAbstractButton>(*modal, accept ? kIdOk : kIdCancel)->click();
    });
    window->SendCommand(kOptions);
    ASSERT_TRUE(watcher.seen);
    EXPECT_EQ(watcher.title, QStringLiteral("Options"));
    EXPECT_EQ(monitor.Config().pollInterval, accept ? 120 : 60);
  }
  MonitorConfig saved;
  LoadSettings(saved);
  EXPECT_EQ(saved.pollInterval, 120);
  EXPECT_EQ(saved.minimumFreeSpace, 0u);  // an empty minimum counts as 0
  EXPECT_TRUE(MonitorTimerOf(*window)->isActive());
  EXPECT_EQ(MonitorTimerOf(*window)->interval(), 60000);
}

TEST_F(MainWindow, DetailsDoNothingWhileTheSelectedDriveIsAbsent) {
  auto window = Open();
  ModalWatcher watcher(Dismiss, 0);
  window->SendCommand(kDetails);
  EXPECT_FALSE(watcher.seen);
}

TEST_F(MainWindow, DiskButtonsAndPanelFollowPresentDrivesOnly) {
  auto window = Open();
  // Drives read once that no longer answer: the slots keep their values.
  MonitorTestAccess::Slots(monitor)[2] = Drive(L"ST3500630AS", L"9QG1ABCD   ", 500, 107, 0, 23);
  window->RefreshDrives();
  EXPECT_EQ(window->DiskButton(2)->text(), QStringLiteral("HD2: ST3500630AS\nCapacity: 500.10 Gb"));
  EXPECT_FALSE(window->DiskButton(2)->isHidden());
  EXPECT_TRUE(window->DiskButton(1)->isHidden());
  EXPECT_EQ(window->DiskButton(0)->text(), QString());  // never present: empty, but shown
  EXPECT_FALSE(window->DiskButton(0)->isHidden());

  QTest::mouseClick(window->DiskButton(2), Qt::LeftButton);
  EXPECT_EQ(Text(*window, kSerialNumber), QStringLiteral("9QG1ABCD   "));  // trailing blanks stay
  EXPECT_EQ(Text(*window, kWorkTime), QStringLiteral("23 hours (0 days)"));
  // Absent drives change neither the selection nor the panel.
  window->SendCommand(1001);
  window->SendCommand(1003);
  window->RunMonitoringCycle();
  EXPECT_FALSE(window->DiskButton(2)->isHidden());
  EXPECT_EQ(Text(*window, kManufacturer), QStringLiteral("Seagate Technology"));

  // The maker rules: case-sensitive prefixes, STM before ST; anything else is
  // the model itself.
  const struct {
    const wchar_t* model;
    const char* shown;
  } makers[] = {{L"STM3250310AS", "MAXTOR"},
                {L"ST380011A", "Seagate Technology"},
                {L"WDC WD1600JS", "Western Digital"},
                {L"DTLA-307030", "IBM"},
                {L"Maxtor 6Y080L0", "Maxtor 6Y080L0"},
                {L"st380011a", "st380011a"},
                {L"S", "S"}};
  for (const auto& maker : makers) {
    MonitorTestAccess::Slots(monitor)[2].model = maker.model;
    window->ShowDriveInfo(2);
    EXPECT_EQ(Text(*window, kManufacturer), QString::fromUtf8(maker.shown));
  }
}

TEST_F(MainWindow, ASleepingSelectedDriveShowsStandbyInPlaceOfItsTemperature) {
  // The demo Seagate (57 degrees when read) as drive 0, asleep from the start.
  QTemporaryDir captures;
  QFile demo(QStringLiteral(TARUK_DEMO_DIR "/drive1.capture"));
  QFile asleep(captures.filePath(QStringLiteral("drive0.capture")));
  ASSERT_TRUE(demo.open(QIODevice::ReadOnly) && asleep.open(QIODevice::WriteOnly));
  asleep.write("power-mode 0 0x00\n" + demo.readAll());
  asleep.close();
  ReplayDeviceOpener sleepingDrives(captures.path().toStdString());
  Monitor sleepingMonitor({sleepingDrives, volumes, clock, platform});
  auto window = std::make_unique<CMonitorDlg>(sleepingMonitor);
  ASSERT_TRUE(window->IsBuilt());

  // Identified, not read: every text but the temperature as for any drive.
  EXPECT_EQ(window->DiskButton(0)->text(), QStringLiteral("HD0: ST3160023A\nCapacity: 160.03 Gb"));
  EXPECT_EQ(Text(*window, kManufacturer), QStringLiteral("Seagate Technology"));
  EXPECT_EQ(Text(*window, kTemperature), QStringLiteral("standby"));
  EXPECT_FALSE(window->Control(kTemperature)->isHidden());
  EXPECT_FALSE(window->Control(kTemperatureIcon)->isHidden());
  EXPECT_EQ(sleepingMonitor.Slots()[0].temperature, 0u);
  QDir().mkpath(QStringLiteral(TARUK_SCREENSHOT_DIR));
  EXPECT_TRUE(window->grab().save(QStringLiteral(TARUK_SCREENSHOT_DIR "/main-window-standby.png")));

  // Still asleep at the next tick; then it wakes and is read.
  window->RunMonitoringCycle();
  EXPECT_EQ(Text(*window, kTemperature), QStringLiteral("standby"));
  ASSERT_TRUE(asleep.open(QIODevice::WriteOnly | QIODevice::Truncate));
  demo.seek(0);
  asleep.write("power-mode 0 0xff\n" + demo.readAll());
  asleep.close();
  window->RunMonitoringCycle();
  EXPECT_EQ(Text(*window, kTemperature), QString::fromUtf8("57 °C"));
  EXPECT_EQ(Text(*window, kWorkTime), QStringLiteral("2210 hours (92 days)"));
}

TEST_F(MainWindow, InformationAreaIsLightBlueWithDarkBlueBoldLabels) {
  auto window = Open();
  for (int id : {kBackground, kManufacturerLabel, kManufacturer, kSerialLabel, kSerialNumber, kWorkTimeLabel, kWorkTime,
                 kTemperature, kTemperatureIcon}) {
    QWidget* control = window->Control(id);
    EXPECT_TRUE(control->autoFillBackground()) << id;
    EXPECT_EQ(control->palette().color(QPalette::Window), QColor(223, 238, 255)) << id;
    EXPECT_EQ(control->palette().color(QPalette::WindowText), QColor(40, 40, 80)) << id;
  }
  for (int id : {kManufacturerLabel, kSerialLabel, kWorkTimeLabel, kTemperature}) {
    EXPECT_TRUE(window->Control(id)->font().bold()) << id;
    EXPECT_LE(QFontMetrics(window->Control(id)->font()).height(), 16) << id;
  }
  EXPECT_FALSE(window->Control(kManufacturer)->font().bold());
}

TEST_F(MainWindow, TrayMenuOffersShowAboutAndExitWithShowAsDefault) {
  auto window = Open();
  QMenu* popup = window->TrayPopup();
  ASSERT_NE(popup, nullptr);
  const QList<QAction*> items = popup->actions();
  ASSERT_EQ(items.size(), 4);
  EXPECT_EQ(items[0]->text(), QStringLiteral("Show application"));
  EXPECT_EQ(items[1]->text(), QStringLiteral("About..."));
  EXPECT_TRUE(items[2]->isSeparator());
  EXPECT_EQ(items[3]->text(), QStringLiteral("Exit"));
  EXPECT_EQ(popup->defaultAction(), items[0]);
  EXPECT_TRUE(items[0]->font().bold());
  EXPECT_EQ(TrayIconOf(*window)->contextMenu(), popup);

  // "Show application" brings a hidden window back; so does a left click.
  window->hide();
  items[0]->trigger();
  EXPECT_TRUE(window->isVisible());
  window->hide();
  window->OnTrayNotify(QSystemTrayIcon::Trigger);
  EXPECT_TRUE(window->isVisible());
  window->hide();
  window->OnTrayNotify(QSystemTrayIcon::DoubleClick);
  window->OnTrayNotify(QSystemTrayIcon::Context);
  EXPECT_TRUE(window->isHidden());

  // "About..." runs the About box; it shows the same thing every time.
  for (int time = 0; time < 2; ++time) {
    QString version;
    ModalWatcher watcher([&](QWidget* modal) {
      for (QLabel* label : modal->findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) version = label->text();
      }
      Dismiss(modal);
    });
    items[1]->trigger();
    EXPECT_EQ(watcher.title, QStringLiteral("About Taruk"));
    EXPECT_EQ(version, QStringLiteral("Taruk Version 2.0"));
  }
}

TEST_F(MainWindow, WindowMenuCarriesTheAboutCommand) {
  auto window = Open();
  QMenu* menu = SystemMenuOf(*window);
  ASSERT_NE(menu, nullptr);
  const QList<QAction*> items = menu->actions();
  ASSERT_GE(items.size(), 2);
  EXPECT_TRUE(items[items.size() - 2]->isSeparator());
  EXPECT_EQ(items.back()->text(), QStringLiteral("&About Taruk..."));
  ModalWatcher watcher(Dismiss);
  items.back()->trigger();
  EXPECT_EQ(watcher.title, QStringLiteral("About Taruk"));
}

// Records what reaches the machine's own platform.
class MachinePlatform : public QuietPlatform {
 public:
  std::vector<std::wstring> balloons;
  void ShowBalloon(const std::wstring& title, const std::wstring& text, int timeoutMs) override {
    balloons.push_back(title + L"|" + text + L"|" + std::to_wstring(timeoutMs));
  }
};

TEST_F(MainWindow, BalloonsWithoutANotificationAreaBecomeDesktopNotifications) {
  MachinePlatform machine;
  WindowAlertPlatform windowPlatform(machine);
  windowPlatform.ShowBalloon(L"Taruk", L"before the window", 5000);
  auto window = Open();
  windowPlatform.SetWindow(window.get());
  windowPlatform.ShowBalloon(L"Taruk", L"HD1 is hot", 5000);
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    EXPECT_EQ(machine.balloons.size(), 1u);  // the second from the icon
  } else {
    EXPECT_EQ(machine.balloons, (std::vector<std::wstring>{L"Taruk|before the window|5000", L"Taruk|HD1 is hot|5000"}));
  }

  ModalWatcher watcher(Answer(QMessageBox::Ok));
  windowPlatform.ShowSystemError(L"Access denied");
  EXPECT_EQ(watcher.title, QStringLiteral("Error"));
  EXPECT_EQ(watcher.text, QStringLiteral("Access denied"));
  EXPECT_EQ(watcher.icon, QMessageBox::Information);
}

TEST_F(MainWindow, ADriveFailingAtTheStartSpeaksThroughTheWindow) {
  MonitorConfig saved;
  saved.healthAction = AlarmAction::PlaySound;
  ASSERT_TRUE(SaveSettings(saved));
  ReplayDeviceOpener demo{TARUK_DEMO_DIR};  // HD1 has pending sectors
  RecordingPlatform machine;
  machine.soundPlays = false;
  WindowAlertPlatform windowPlatform(machine);  // wired as the program wires it
  Monitor started({demo, volumes, clock, windowPlatform});
  MessageBoxWatcher boxes;
  auto window = std::make_unique<CMonitorDlg>(started);
  // The health test of the start: the sound fails, and the box saying so
  // belongs to the window, as every later tick's would.
  ASSERT_EQ(boxes.seen.size(), 1u) << boxes.Texts().join("; ").toStdString();
  EXPECT_EQ(boxes.seen[0].text, QString::fromStdWString(machine.soundFailure));
  EXPECT_EQ(boxes.seen[0].owner, window.get());
  window.reset();
  // Gone with the window: a later alarm finds no owner that no longer exists.
  windowPlatform.ShowSystemError(L"after");
  ASSERT_EQ(boxes.seen.size(), 2u);
  EXPECT_EQ(boxes.seen[1].owner, nullptr);
}

}  // namespace

TEST(MainWindowHealth, BadgeAndTrayToolTipFollowTheWorstVerdict) {
  QTemporaryDir settingsHome;
  ScopedEnv appData{"APPDATA", settingsHome.path().toStdString()};
  NoDrives drives;  // a drive that is not read again keeps its slot
  NoVolumes volumes;
  FixedClock clock{15, 30};
  QuietPlatform platform;
  Monitor monitor({drives, volumes, clock, platform});
  CMonitorDlg window(monitor);
  MonitorTestAccess::Slots(monitor)[0] = Drive(L"GOOD DRIVE  ", L"A", 80, 0, 40, 1);
  MonitorTestAccess::Slots(monitor)[0].attributes[0] = {5, 100, 100, 36, {}};
  MonitorTestAccess::Slots(monitor)[1] = Drive(L"ST1", L"B", 80, 0, 40, 1);
  // The badge's colour on the grey icon, where the disk itself has none.
  auto badge = [&](int n) {
    const QColor c = window.DiskButton(n)->Icon(1).icon.pixelColor(19, 24);
    if (c.red() > 180 && c.green() < 60) return "red";
    if (c.red() > 200 && c.green() > 120 && c.blue() < 60) return "amber";
    return "none";
  };
  // The tray icon's badge at each size a tray asks for, in the lower right
  // quarter where the plain icon has none of these colours.
  auto trayBadge = [&](int size) {
    const QImage icon = TrayIconOf(window)->icon().pixmap(QSize(size, size), 1.0).toImage();
    // Inside the badge, left of its "!".
    const double badgeSize = std::max(8, size / 2), centre = size - badgeSize / 2, radius = badgeSize / 2 - 1;
    const QColor c = icon.pixelColor(static_cast<int>(centre - radius * 0.6), static_cast<int>(centre));
    if (c.red() > 180 && c.green() < 60) return "red";
    if (c.red() > 200 && c.green() > 120 && c.blue() < 60) return "amber";
    return "none";
  };
  const struct {
    SmartAttributeEntry entry;
    const char* badge;
    QString tip;
    QString healthLine;
    QColor lineColour;
  } steps[] = {
      {{5, 100, 100, 36, {}}, "none", "Taruk", "Health: good", QColor(40, 40, 80)},
      {{197, 100, 100, 0, {2}},
       "amber",
       "Taruk\nHD1: ST1 health: caution (2 pending sectors)",
       "Health: caution (2 pending sectors)",
       QColor(240, 160, 0)},
      {{5, 20, 20, 36, {}},
       "red",
       "Taruk\nHD1: ST1 health: bad (Reallocated Sector Count (5) failing now: value 20, threshold 36)",
       "Health: bad (Reallocated Sector Count (5) failing now: value 20, threshold 36)",
       QColor(210, 20, 20)},
      {{5, 100, 100, 36, {}}, "none", "Taruk", "Health: good", QColor(40, 40, 80)},
  };
  window.ShowDriveInfo(1);
  for (const auto& step : steps) {
    SCOPED_TRACE(step.tip.toStdString());
    MonitorTestAccess::Slots(monitor)[1].attributes[0] = step.entry;
    window.RunMonitoringCycle();
    EXPECT_STREQ(badge(0), "none");
    EXPECT_STREQ(badge(1), step.badge);
    EXPECT_EQ(TrayIconOf(window)->toolTip(), step.tip);
    for (int size : {16, 22, 32}) EXPECT_STREQ(trayBadge(size), step.badge) << size;
    QWidget* line = window.Control(kHealthLine);
    EXPECT_EQ(ControlText(line), step.healthLine);
    EXPECT_EQ(line->palette().color(QPalette::WindowText), step.lineColour);
    // A tick that changes nothing keeps the very same icons.
    const qint64 before = window.DiskButton(1)->Icon(0).icon.cacheKey();
    const qint64 trayBefore = TrayIconOf(window)->icon().cacheKey();
    window.RunMonitoringCycle();
    EXPECT_EQ(window.DiskButton(1)->Icon(0).icon.cacheKey(), before);
    EXPECT_EQ(TrayIconOf(window)->icon().cacheKey(), trayBefore);
  }
}
