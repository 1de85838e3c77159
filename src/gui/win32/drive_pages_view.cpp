// The drives beyond the four disk buttons: the page of drives the buttons
// show, and the page control below them whose list selects any drive
// (core/view/drive_pages.h decides which).
#include "core/drive/drive_slot.h"
#include "core/drive/slot_health.h"
#include "core/view/disk_panel_text.h"
#include "core/view/drive_pages.h"
#include "gui/win32/monitor_dlg.h"

namespace taruk::win32 {

using namespace monitor_ids;

void CMonitorDlg::ShowDrivePageControl() {
  if (!HasDrivePages(monitor.Slots().size())) return;
  const std::wstring text = DrivePageText(drivePage, monitor.Slots().size());
  if (drivePages) {
    SetWindowTextW(drivePages, text.c_str());
    return;
  }
  // Below the button column, in a strip the window grows by.
  RECT place{kDrivePagesRect[0], kDrivePagesRect[1], kDrivePagesRect[0] + kDrivePagesRect[2],
             kDrivePagesRect[1] + kDrivePagesRect[3]};
  MapDialogRect(window, &place);
  drivePages = CreateWindowExW(0, L"BUTTON", text.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                               place.left, place.top, place.right - place.left, place.bottom - place.top, window,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kDrivePages)), ProgramInstance(), nullptr);
  SendMessageW(drivePages, WM_SETFONT, SendMessageW(window, WM_GETFONT, 0, 0), TRUE);
  RECT client{}, paged{0, 0, 0, kPagedWindowHeight};
  GetClientRect(window, &client);
  MapDialogRect(window, &paged);
  RECT outer{};
  GetWindowRect(window, &outer);
  SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top + paged.bottom - client.bottom,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CMonitorDlg::ShowDrivePage(int page) {
  drivePage = page;
  for (int n = 0; n < kDiskButtonCount; ++n) {
    CIconButton& button = diskButtons[static_cast<size_t>(n)];
    if (!ShowsDiskButton(page, n, monitor.Slots())) {
      ShowWindow(button.Handle(), SW_HIDE);
      continue;
    }
    const int drive = DriveOnButton(page, n, monitor.Slots().size());
    const DriveSlot& slot = monitor.Slots()[static_cast<size_t>(drive)];
    SetWindowTextW(button.Handle(), slot.IsPresent() ? DiskButtonCaption(drive, slot).c_str() : L"");
    if (slot.IsPresent()) button.SetHealthBadge(SlotHealth(slot).verdict);
    ShowWindow(button.Handle(), SW_SHOW);
  }
  ShowDrivePageControl();
}

void CMonitorDlg::SelectDrive(int driveIndex) {
  const int page = PageToSelect(monitor.Slots(), driveIndex);
  if (page < 0) return;
  if (page != drivePage) ShowDrivePage(page);
  ShowDriveInfo(driveIndex);
  SetFocus(diskButtons[static_cast<size_t>(ButtonOfDrive(driveIndex))].Handle());
}

void CMonitorDlg::OpenDriveList() {
  HMENU list = CreatePopupMenu();
  if (!list) return;
  for (const DriveListEntry& entry : DriveListEntries(monitor.Slots(), selectedDrive)) {
    if (entry.startsPage) AppendMenuW(list, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(list, MF_STRING | (entry.selected ? MF_CHECKED : 0),
                static_cast<UINT_PTR>(kFirstDriveCommand + entry.drive), entry.text.c_str());
  }
  RECT control{};
  GetWindowRect(drivePages, &control);
  // The choice comes back as the command of its drive (OnCommand).
  TrackPopupMenu(list, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, control.left, control.bottom, 0, window, nullptr);
  DestroyMenu(list);
}

}  // namespace taruk::win32
