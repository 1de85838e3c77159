// The notification-area icon of the main window: adding and removing it, its
// clicks, its menu, the way back to a hidden window, and its balloons.
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cwchar>

#include "core/view/health_look.h"
#include "core/view/window_texts.h"
#include "gui/win32/health_badge.h"
#include "gui/win32/monitor_dlg.h"

namespace taruk::win32 {

using namespace monitor_ids;

namespace {

// Copies as much of `text` as fits, always terminated.
template <size_t N>
void CopyCut(wchar_t (&field)[N], const std::wstring& text) {
  const size_t count = std::min(text.size(), N - 1);
  std::wmemcpy(field, text.data(), count);
  field[count] = L'\0';
}

NOTIFYICONDATAW IconRecord(HWND owner) {
  NOTIFYICONDATAW record{};
  // The layout with the balloon fields and the identifying GUID.
  record.cbSize = NOTIFYICONDATAW_V3_SIZE;
  record.hWnd = owner;
  record.uID = NotifyIconId;
  return record;
}

// The executable's file name without its extension: the title of the box
// that says the icon is missing.
std::wstring ProgramName() {
  wchar_t path[MAX_PATH + 1] = L"";
  GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
  std::wstring name = path;
  const size_t slash = name.find_last_of(L"\\/");
  if (slash != std::wstring::npos) name.erase(0, slash + 1);
  const size_t dot = name.rfind(L'.');
  if (dot != std::wstring::npos) name.erase(dot);
  return name;
}

HICON LoadTrayIcon() {
  return static_cast<HICON>(LoadImageW(ProgramInstance(), MAKEINTRESOURCEW(kTrayIcon), IMAGE_ICON,
                                       GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
}

// The icon with the badge of `verdict`; the plain icon when there is none or
// the copy fails. Takes `plain` over.
HICON TrayIconFor(HICON plain, HealthVerdict verdict) {
  if (!HealthBadgeColour(verdict)) return plain;
  HICON badged = BadgedIconCopy(plain, GetSystemMetrics(SM_CXSMICON), verdict);
  if (!badged) return plain;
  DestroyIcon(plain);
  return badged;
}

// The icon `plan` asks for: the temperature's figure, or the badged icon.
// Takes `plain` over.
HICON TrayIconFor(HICON plain, const TrayIconPlan& plan) {
  if (plan.temperature.empty()) return TrayIconFor(plain, plan.verdict);
  HICON figure = TemperatureIcon(GetSystemMetrics(SM_CXSMICON), plan);
  if (!figure) return TrayIconFor(plain, plan.verdict);
  DestroyIcon(plain);
  return figure;
}

}  // namespace

void CMonitorDlg::SetTrayIcon(bool add) {
  HICON icon = LoadTrayIcon();
  if (!icon) {
    MessageBoxW(window, L"Can't load icon", ProgramName().c_str(), MB_OK);
    return;
  }
  const TrayIconPlan plan = PlanTrayIcon(monitor.Slots(), ReadTrayIconMode(monitor.CurrentSideSettings()));
  icon = TrayIconFor(icon, plan);
  NOTIFYICONDATAW record = IconRecord(window);
  record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  record.uCallbackMessage = WM_TRAYNOTIFY;
  record.hIcon = icon;
  CopyCut(record.szTip, TrayToolTipText(ShowsDemoDrives(), monitor.Slots()));
  // The shell's answer only tells whether balloons have an icon to come from.
  const BOOL done = Shell_NotifyIconW(add ? NIM_ADD : NIM_DELETE, &record);
  trayIconAdded = add && done;
  trayPlan = plan;
  DestroyIcon(icon);
}

void CMonitorDlg::UpdateTrayIconState() {
  if (!trayIconAdded) return;
  const TrayIconPlan plan = PlanTrayIcon(monitor.Slots(), ReadTrayIconMode(monitor.CurrentSideSettings()));
  if (plan == trayPlan) return;
  HICON icon = LoadTrayIcon();
  if (!icon) return;
  icon = TrayIconFor(icon, plan);
  NOTIFYICONDATAW record = IconRecord(window);
  record.uFlags = NIF_ICON;
  record.hIcon = icon;
  if (Shell_NotifyIconW(NIM_MODIFY, &record)) trayPlan = plan;
  DestroyIcon(icon);
}

void CMonitorDlg::UpdateTrayToolTip() {
  if (!trayIconAdded) return;
  NOTIFYICONDATAW record = IconRecord(window);
  record.uFlags = NIF_TIP;
  CopyCut(record.szTip, TrayToolTipText(ShowsDemoDrives(), monitor.Slots()));
  Shell_NotifyIconW(NIM_MODIFY, &record);
}

void CMonitorDlg::OnTrayNotify(LPARAM mouseMessage) {
  if (mouseMessage == WM_LBUTTONDOWN) {
    ShowApplication();
  } else if (mouseMessage == WM_RBUTTONDOWN) {
    HMENU popup = trayMenu ? GetSubMenu(trayMenu, 0) : nullptr;
    if (!popup) return;
    POINT cursor{};
    GetCursorPos(&cursor);
    TrackPopupMenu(popup, TPM_RIGHTALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window, nullptr);
  }
}

void CMonitorDlg::ShowApplication() {
  ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
  // The hot-key system command to the desktop brings the window to the
  // foreground even when another program has it.
  SendMessageW(GetDesktopWindow(), WM_SYSCOMMAND, SC_HOTKEY, reinterpret_cast<LPARAM>(window));
  SetForegroundWindow(window);
}

bool CMonitorDlg::ShowTrayBalloon(const std::wstring& title, const std::wstring& text, int timeoutMs, bool warning) {
  if (!trayIconAdded) return false;
  NOTIFYICONDATAW record = IconRecord(window);
  record.uFlags = NIF_INFO;
  CopyCut(record.szInfoTitle, title);
  CopyCut(record.szInfo, text);
  record.uTimeout = static_cast<UINT>(timeoutMs);
  record.dwInfoFlags = warning ? NIIF_WARNING : NIIF_INFO;
  return Shell_NotifyIconW(NIM_MODIFY, &record) != FALSE;
}

}  // namespace taruk::win32
