#pragma once
// CMonitorDlg on Windows: the main window (template 102) as a native modal
// dialog. It owns the seven icon buttons, the bold panel font, the
// notification-area icon and its menu, and the monitoring timer; the settings,
// the slots and the cycle are the Monitor's, shared with every other front
// end. Closing it only hides it; the program ends through Exit in the
// notification-area menu.

#include <windows.h>

#include <array>
#include <optional>
#include <string>

#include "core/monitor/monitor.h"
#include "core/monitor/monitor_view.h"
#include "core/view/health_look.h"
#include "gui/monitor_ids.h"
#include "gui/monitor_window_start.h"
#include "gui/win32/colours.h"
#include "gui/win32/dialog_window.h"
#include "gui/win32/icon_button.h"
#include "gui/window_commands.h"

namespace taruk::win32 {

// The notification-area icon's callback message.
constexpr UINT WM_TRAYNOTIFY = 0xA124;

class CMonitorDlg : public DialogWindow, public MonitorView, private MonitorWindowSteps, private MonitorWindowActions {
 public:
  // `demoDrivesReason` is set when the drives are the demo drives the
  // program fell back to: why none of this machine's could be read.
  CMonitorDlg(Monitor& monitor, std::optional<std::wstring> demoDrivesReason);
  ~CMonitorDlg() override;

  // Panel operations.
  void ShowDriveInfo(int driveIndex) override;
  // MonitorView, for the monitoring cycle.
  void ShowDiskButton(int driveIndex) override;
  void ShowSelectedDriveInfo() override;
  void ShowDriveHealth() override;

  void RunMonitoringCycle();
  // Add (true) or remove (false) the notification-area icon.
  void SetTrayIcon(bool add) override;
  void OnTrayNotify(LPARAM mouseMessage);
  // A balloon from the notification-area icon; false when there is no icon.
  // A warning shows the system's warning icon.
  bool ShowTrayBalloon(const std::wstring& title, const std::wstring& text, int timeoutMs, bool warning = false);

  bool ShowsDemoDrives() const { return monitor.Environment().demoDrives; }
  int SelectedDrive() const { return selectedDrive; }
  // Shows drive n in the panel, and the page of buttons that holds it.
  void SelectDrive(int driveIndex) override;

 protected:
  bool OnInitDialog() override;
  void OnCommand(int id, int notification, HWND control) override;
  void ShowDriveOnButton(int button) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  void AddAboutToSystemMenu();
  // The start's steps (gui/monitor_window_start.h).
  void SetButtonLooks() override;
  void CreateInfoFont() override;
  void ShowInformationArea() override;
  void SelectFirstDrive() override { selectedDrive = 0; }
  void LoadTrayMenu() override;
  void AnnounceDemoDrives() override;
  void StartMonitorTimer(int periodMs) override;
  HBRUSH PanelColours(HDC dc, HWND control);
  void PaintMinimised();
  void ShowApplication() override;
  void UpdateTrayToolTip();
  void UpdateTrayIconState();
  void ShowHealthLine(const DriveSlot& slot);
  void ShowDrivePage(int page);
  void ShowDrivePageControl();
  void OpenDriveList() override;
  void OnDetails() override;
  void OnOptions() override;
  void OnGraph() override;
  void OnExit() override;
  void SaveConfig();
  void RunAboutBox() override;

  // Members in the window's declared order.
  HFONT infoFont = nullptr;
  int selectedDrive = 0;
  // The page of drives the disk buttons show (drive_pages.h), and the page
  // control below them, made when a fifth drive comes.
  int drivePage = 0;
  HWND drivePages = nullptr;
  HMENU trayMenu = nullptr;
  HICON appIcon = nullptr;
  std::array<CIconButton, 4> diskButtons;
  CIconButton detailsButton;
  CIconButton optionsButton;
  CIconButton graphButton;

  HBRUSH panelBrush = nullptr;
  bool trayIconAdded = false;
  // What the notification-area icon shows; redrawn only on a change.
  TrayIconPlan trayPlan;
  // The health line's colour, answered to its colour request.
  COLORREF healthLineColour = ToColorRef(palette::kPanelText);
  Monitor& monitor;
  std::optional<std::wstring> demoDrivesReason;
};

}  // namespace taruk::win32
