// The main window's start, its routing table, Close and Exit.
#include "gui/win32/monitor_dlg.h"

#include "core/alarm/alarm_texts.h"
#include "core/drive/drive_slot.h"
#include "core/settings/settings_file.h"
#include "core/view/drive_pages.h"
#include "core/view/window_texts.h"
#include "gui/monitor_looks.h"
#include "gui/win32/about_dlg.h"
#include "gui/win32/colours.h"
#include "gui/win32/message_box.h"
#include "gui/win32/options_dlg.h"
#include "gui/win32/smart_details_dlg.h"
#include "gui/win32/temp_graph_dlg.h"
#include "gui/window_commands.h"

namespace taruk::win32 {

using namespace monitor_ids;

namespace {

// Posted at the end of the initialisation: the demo-drives balloon once the
// window runs and the alert platform knows it.
constexpr UINT kAnnounceDemoDrives = WM_APP + 1;

}  // namespace

CMonitorDlg::CMonitorDlg(Monitor& monitor, std::optional<std::wstring> demoDrivesReason)
    : DialogWindow(102),
      appIcon(static_cast<HICON>(
          LoadImageW(ProgramInstance(), MAKEINTRESOURCEW(kAppIcon), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE))),
      monitor(monitor),
      demoDrivesReason(std::move(demoDrivesReason)) {
  monitor.SetView(this);
}

CMonitorDlg::~CMonitorDlg() {
  monitor.SetView(nullptr);
  if (panelBrush) DeleteObject(panelBrush);
  if (trayMenu) DestroyMenu(trayMenu);
  if (infoFont) DeleteObject(infoFont);
  if (appIcon) DestroyIcon(appIcon);
}

bool CMonitorDlg::OnInitDialog() {
  // 1. The controls exist; the seven buttons become icon buttons.
  for (int n = 0; n < kDiskButtonCount; ++n) diskButtons[static_cast<size_t>(n)].Subclass(Item(kDiskButtons[n]));
  detailsButton.Subclass(Item(kDetails));
  optionsButton.Subclass(Item(kOptions));
  graphButton.Subclass(Item(kGraph));
  // 2. The system menu's About command, unless its text is empty.
  AddAboutToSystemMenu();
  // 3. The window's icons.
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(appIcon));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(appIcon));
  // 4. to 13.: the monitor's start with the window's steps.
  StartMonitorWindow(monitor, *this);
  return false;  // the focus is on disk button 0
}

void CMonitorDlg::AddAboutToSystemMenu() {
  const std::wstring about = ResourceString(kAboutString);
  HMENU systemMenu = GetSystemMenu(window, FALSE);
  if (about.empty() || !systemMenu) return;
  AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, about.c_str());
}

void CMonitorDlg::LoadTrayMenu() {
  trayMenu = LoadMenuW(ProgramInstance(), MAKEINTRESOURCEW(kTrayMenu));
  if (HMENU popup = trayMenu ? GetSubMenu(trayMenu, 0) : nullptr) SetMenuDefaultItem(popup, 0, TRUE);
}

void CMonitorDlg::StartMonitorTimer(int periodMs) {
  SetTimer(window, MonitorTimerId, static_cast<UINT>(periodMs), nullptr);
}

void CMonitorDlg::SetButtonLooks() {
  for (const ButtonLook& look : kButtonLooks) {
    CIconButton* button = CIconButton::FromHandle(Item(look.id));
    if (!button) continue;
    button->SetIconsFromResources(look.icon, kButtonIconSize, kButtonIconSize, OutIconGrey);
    button->SetStateColor(ColorNormalFace, ToColorRef(look.normalFace), true);
    button->SetStateColor(ColorHotFace, ToColorRef(look.hotFace), true);
    button->SetStateColor(ColorFocusFace, ToColorRef(look.focusFace), true);
  }
  SetFocus(diskButtons[0].Handle());
  for (int n = 1; n < kDiskButtonCount; ++n) ShowWindow(diskButtons[static_cast<size_t>(n)].Handle(), SW_HIDE);
}

void CMonitorDlg::RunMonitoringCycle() { monitor.RunMonitoringCycle(); }

void CMonitorDlg::OnCommand(int id, int /*notification*/, HWND /*control*/) {
  RunMonitorCommand(id, static_cast<MonitorWindowActions&>(*this));
}

void CMonitorDlg::ShowDriveOnButton(int button) {
  ShowDriveInfo(DriveOnButton(drivePage, button, monitor.Slots().size()));
}

bool CMonitorDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  switch (message) {
    case WM_SYSCOMMAND:
      if ((wParam & ~static_cast<WPARAM>(0xF)) == IDM_ABOUTBOX) {
        RunAboutBox();
        result = 0;
        return true;
      }
      return false;
    case WM_PAINT:
      if (!IsIconic(window)) return false;
      PaintMinimised();
      result = 0;
      return true;
    case WM_QUERYDRAGICON:
      result = reinterpret_cast<INT_PTR>(appIcon);
      return true;
    case WM_CTLCOLORSTATIC:
      if (HBRUSH brush = PanelColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam))) {
        result = reinterpret_cast<INT_PTR>(brush);
        return true;
      }
      return false;
    case WM_TIMER:
      if (wParam == static_cast<WPARAM>(MonitorTimerId)) RunMonitoringCycle();
      result = 0;
      return true;
    case WM_TRAYNOTIFY:
      OnTrayNotify(lParam);
      result = 0;
      return true;
    case WM_CLOSE:
      // Hidden; the notification-area icon brings the window back.
      ShowWindow(window, SW_HIDE);
      result = 0;
      return true;
    case kAnnounceDemoDrives:
      monitor.Environment().platform.ShowBalloon(kBalloonTitle, DemoDrivesNotice(demoDrivesReason.value_or(L"")),
                                                 kBalloonTimeoutMs);
      result = 0;
      return true;
    default:
      return false;
  }
}

void CMonitorDlg::PaintMinimised() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  SendMessageW(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(window, &client);
  const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, appIcon);
  EndPaint(window, &paint);
}

void CMonitorDlg::RunAboutBox() { CAboutDlg().DoModal(window); }

void CMonitorDlg::OnExit() {
  if (MessageBoxW(window, L"Exit from application?", L"Taruk", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  SaveConfig();
  SetTrayIcon(false);
  KillTimer(window, MonitorTimerId);
  EndDialog(0);
}

void CMonitorDlg::OnDetails() {
  if (static_cast<size_t>(selectedDrive) >= monitor.Slots().size() ||
      !monitor.Slots()[static_cast<size_t>(selectedDrive)].IsPresent()) {
    return;
  }
  CSmartDetailsDlg details(monitor.Slots(), selectedDrive);
  details.drives = &monitor.Environment().drives;
  details.DoModal(window);
}

void CMonitorDlg::OnGraph() {
  CTempGraphDlg graph(monitor.Slots(), selectedDrive, monitor.Config().criticalTemperature,
                      monitor.Environment().clock);
  graph.DoModal(window);
}

void CMonitorDlg::OnOptions() {
  if (!EditOptions(monitor.Config(), monitor.Environment().platform, window)) return;
  SaveConfig();
  // The timer keeps its period: a new poll interval takes effect at the next
  // start (the history uses it at once).
}

void CMonitorDlg::SaveConfig() {
  std::string problem;
  if (!monitor.SaveSettings(problem)) ShowStopError(SettingsNotSavedText(monitor.LoadedSettings()), window);
}

void CMonitorDlg::AnnounceDemoDrives() {
  const int length = GetWindowTextLengthW(window);
  std::wstring title(static_cast<size_t>(length) + 1, L'\0');
  title.resize(static_cast<size_t>(GetWindowTextW(window, title.data(), length + 1)));
  SetWindowTextW(window, (title + kDemoDrivesTitleSuffix).c_str());
  UpdateTrayToolTip();
  PostMessageW(window, kAnnounceDemoDrives, 0, 0);
}

}  // namespace taruk::win32
