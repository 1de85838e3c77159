#pragma once
// CMonitorDlg: the main window (template 102). It owns the settings, the
// selection of the drive shown, the seven icon buttons, the notification-area
// icon and its menu, and the monitoring timer. Closing it only hides it; the
// program ends through Exit in the notification-area menu.

#include <QFont>
#include <QIcon>
#include <QPalette>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>

#include <array>
#include <memory>
#include <optional>

#include "core/drive/drive_health.h"
#include "core/monitor/monitor.h"
#include "core/monitor/monitor_view.h"
#include "core/settings/monitor_config.h"
#include "core/view/health_look.h"
#include "gui/monitor_ids.h"
#include "gui/monitor_window_start.h"
#include "gui/toolkit/template_dialog.h"
#include "gui/window_commands.h"

class QMenu;
class QPushButton;

namespace taruk {

class CIconButton;
class WindowAlertPlatform;
class StatusNotifierItem;

class CMonitorDlg : public TemplateDialog,
                    public MonitorView,
                    private MonitorWindowSteps,
                    private MonitorWindowActions {
  Q_OBJECT
 public:
  // Shows and runs `monitor`, which outlives the window. `demoDrivesReason`
  // is set when its drives are the demo drives the program fell back to
  // because none of this machine's could be read: why none could. The window
  // then says it shows a demo and carries out no alarm action.
  explicit CMonitorDlg(Monitor& monitor, std::optional<QString> demoDrivesReason = std::nullopt,
                       QWidget* parent = nullptr);
  ~CMonitorDlg() override;

  // Panel operations (the disk buttons and the panel of one drive).
  void RefreshDrives();
  void ShowDriveInfo(int driveIndex) override;
  // MonitorView, for the monitoring cycle.
  void ShowDiskButton(int driveIndex) override;
  void ShowSelectedDriveInfo() override;
  // Badges the disk buttons of drives in caution or bad, and names the worst
  // drive in the tray icon's tooltip.
  void ShowDriveHealth() override;

  // The timer's handler.
  void RunMonitoringCycle();
  // Add (true) or remove (false) the notification-area icon.
  void SetTrayIcon(bool add) override;
  // A mouse event on the notification-area icon.
  void OnTrayNotify(QSystemTrayIcon::ActivationReason reason);
  // A system-menu command.
  void OnSysCommand(int command);

  // Shows a balloon from the notification-area icon; false when there is no
  // icon to show it from (no notification area on this desktop).
  bool ShowTrayBalloon(const QString& title, const QString& text, int timeoutMs, bool warning = false);

  bool ShowsDemoDrives() const { return monitor.Environment().demoDrives; }
  QMenu* TrayPopup() const;
  // The notification-area icon is shown, as a QSystemTrayIcon or an item.
  bool HasTrayIcon() const;
  StatusNotifierItem* TrayItem() const { return statusItem; }
  // Disk button n (0 to 3), whichever drive it shows.
  CIconButton* DiskButton(int button) const { return diskButtons[button]; }
  // The page control below the disk buttons; null up to four drives.
  QPushButton* DrivePageControl() const { return drivePages; }
  // The list the page control opens, made anew for each opening.
  QMenu* DriveList();
  // Shows drive n in the panel, and the page of buttons that holds it.
  void SelectDrive(int driveIndex) override;
  int SelectedDrive() const { return selectedDrive; }

 protected:
  void OnInitDialog() override;
  void OnCommand(int id) override;
  void ShowDriveOnButton(int button) override;
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  // The start's steps (gui/monitor_window_start.h).
  void SetButtonLooks() override;
  void CreateInfoFont() override;
  void ShowInformationArea() override;
  void SelectFirstDrive() override { selectedDrive = 0; }
  void LoadTrayMenu() override;
  void AnnounceDemoDrives() override;
  void StartMonitorTimer(int periodMs) override { monitorTimer.start(periodMs); }
  void PlaceInformationArea();
  void PaintInformationArea();
  void ShowHealthLine(const DriveSlot& slot);
  void ShowDiskBadge(int button);
  void ShowDrivePage(int page);
  void ShowDrivePageControl();
  void OpenDriveList() override;
  void UpdateTrayIconState();
  bool AddStatusNotifierItem();
  void ShowApplication() override;
  void UpdateTrayToolTip();
  void OnDetails() override;
  void OnOptions() override;
  void OnGraph() override;
  void OnExit() override;
  void SaveConfig();
  void OnClose();
  void RunAboutBox() override;

  // Members in the window's declared order.
  QFont infoFont;
  int selectedDrive = 0;
  // The page of drives the disk buttons show (drive_pages.h).
  int drivePage = 0;
  QPushButton* drivePages = nullptr;
  QMenu* trayMenu = nullptr;
  QIcon appIcon;
  std::array<CIconButton*, 4> diskButtons{};
  CIconButton* detailsButton = nullptr;
  CIconButton* optionsButton = nullptr;
  CIconButton* graphButton = nullptr;

  // The Qt stand-ins: the window menu, the notification-area icon, the timer,
  // the one palette (brush) of the information area.
  QMenu* systemMenu = nullptr;
  QSystemTrayIcon* trayIcon = nullptr;
  // In its place where a tray host shows StatusNotifierItems.
  StatusNotifierItem* statusItem = nullptr;
  // What the notification-area icon shows now; redrawn only on a change.
  std::optional<TrayIconPlan> trayPlan;
  QTimer monitorTimer{this};
  QPalette infoPalette;
  Monitor& monitor;
  // The monitor's alarm actions when they are a window's: they know this
  // window from its construction on, since the start already needs it.
  WindowAlertPlatform* windowAlerts = nullptr;
  std::optional<QString> demoDrivesReason;
};

}  // namespace taruk
