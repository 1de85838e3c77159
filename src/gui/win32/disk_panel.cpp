// The disk buttons and the disk panel of the main window: captions, which
// buttons show, the selected drive's maker, serial number, work time and
// temperature, the panel's colours and fonts, and each drive's health badge.
#include "core/drive/drive_slot.h"
#include "core/drive/slot_health.h"
#include "core/view/disk_panel_text.h"
#include "core/view/drive_pages.h"
#include "core/view/health_look.h"
#include "gui/monitor_looks.h"
#include "gui/win32/colours.h"
#include "gui/win32/monitor_dlg.h"

namespace taruk::win32 {

using namespace monitor_ids;

namespace {

constexpr COLORREF kPanelBackground = ToColorRef(palette::kLightBlue);
constexpr COLORREF kPanelText = ToColorRef(palette::kPanelText);

// The controls of the information area, painted on the light blue.
constexpr int kPanelControls[] = {kManufacturerLabel, kManufacturer,    kSerialLabel, kWorkTimeLabel, kWorkTime,
                                  kSerialNumber,      kTemperatureIcon, kTemperature, kHealthLine};

ControlRect ClientRectOf(HWND parent, HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

void CMonitorDlg::CreateInfoFont() {
  LOGFONTW description{};
  auto* dialogFont = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
  if (!dialogFont || !GetObjectW(dialogFont, sizeof description, &description)) return;
  description.lfWeight = FW_BOLD;
  description.lfHeight = 16;
  infoFont = CreateFontIndirectW(&description);
  for (int id : {kManufacturerLabel, kSerialLabel, kWorkTimeLabel, kTemperature}) {
    SendMessageW(Item(id), WM_SETFONT, reinterpret_cast<WPARAM>(infoFont), TRUE);
  }
}

void CMonitorDlg::ShowInformationArea() {
  HWND background = Item(kBackground);
  HWND frame = Item(kFrame);
  HWND first = diskButtons[0].Handle();
  if (!background || !frame || !first) return;
  const ControlRect area = InformationArea(ClientRectOf(window, first), ClientRectOf(window, frame));
  MoveWindow(background, area.x, area.y, area.width, area.height, TRUE);
}

HBRUSH CMonitorDlg::PanelColours(HDC dc, HWND control) {
  const int id = GetDlgCtrlID(control);
  bool inPanel = id == kBackground;
  for (int panelId : kPanelControls) inPanel = inPanel || id == panelId;
  if (!inPanel) return nullptr;
  // One brush for the window's life.
  if (!panelBrush) panelBrush = CreateSolidBrush(kPanelBackground);
  SetTextColor(dc, id == kHealthLine ? healthLineColour : kPanelText);
  if (id != kBackground) SetBkColor(dc, kPanelBackground);
  return panelBrush;
}

void CMonitorDlg::ShowDiskButton(int driveIndex) {
  if (driveIndex < 0 || static_cast<size_t>(driveIndex) >= monitor.Slots().size()) return;
  if (PageOfDrive(driveIndex) != drivePage) return;
  HWND button = diskButtons[static_cast<size_t>(ButtonOfDrive(driveIndex))].Handle();
  if (!button) return;
  ShowWindow(button, SW_SHOW);
  SetWindowTextW(button, DiskButtonCaption(driveIndex, monitor.Slots()[static_cast<size_t>(driveIndex)]).c_str());
}

void CMonitorDlg::ShowSelectedDriveInfo() { ShowDriveInfo(selectedDrive); }

void CMonitorDlg::ShowDriveInfo(int driveIndex) {
  if (driveIndex < 0 || static_cast<size_t>(driveIndex) >= monitor.Slots().size()) return;
  const DriveSlot& slot = monitor.Slots()[static_cast<size_t>(driveIndex)];
  if (!slot.IsPresent()) return;
  selectedDrive = driveIndex;
  SetItemText(kManufacturer, ManufacturerOf(slot.model));
  SetItemText(kSerialNumber, TrimmedSerial(slot.serialNumber));
  const HWND temperatureControls[] = {Item(kTemperature), Item(kTemperatureIcon), graphButton.Handle()};
  for (HWND control : temperatureControls) ShowWindow(control, SW_HIDE);
  const std::wstring temperature = PanelTemperatureText(slot);
  if (!temperature.empty()) {
    SetItemText(kTemperature, temperature);
    for (HWND control : temperatureControls) ShowWindow(control, SW_SHOW);
  }
  SetItemText(kWorkTime, WorkTimeText(slot.powerOnHours));
  ShowHealthLine(slot);
}

void CMonitorDlg::ShowHealthLine(const DriveSlot& slot) {
  const std::optional<RgbColour> badge = HealthBadgeColour(SlotHealth(slot).verdict);
  healthLineColour = badge ? ToColorRef(*badge) : kPanelText;
  SetItemText(kHealthLine, PanelHealthText(slot));
  // The colour is asked for when the control paints.
  InvalidateRect(Item(kHealthLine), nullptr, TRUE);
}

void CMonitorDlg::ShowDriveHealth() {
  ShowDrivePageControl();
  for (int n = 0; n < kDiskButtonCount; ++n) {
    const int drive = DriveOnButton(drivePage, n, monitor.Slots().size());
    if (drive < 0) continue;
    const DriveSlot& slot = monitor.Slots()[static_cast<size_t>(drive)];
    if (slot.IsPresent()) diskButtons[static_cast<size_t>(n)].SetHealthBadge(SlotHealth(slot).verdict);
  }
  UpdateTrayToolTip();
  UpdateTrayIconState();
}

}  // namespace taruk::win32
