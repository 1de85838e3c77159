#pragma once
// CSmartDetailsDlg: template 131, every S.M.A.R.T. attribute of one drive in
// a list view, as the slot held them when the dialog opened.

#include <vector>

#include "core/drive/drive_slot.h"
#include "core/drive/smart_device.h"
#include "core/view/smart_details_rows.h"
#include "gui/win32/dialog_window.h"

namespace taruk::win32 {

class CSmartDetailsDlg : public DialogWindow {
 public:
  static constexpr int IdAttributeList = 1013;

  CSmartDetailsDlg(const DriveSlots& driveSlots, int drive) : DialogWindow(131), drive(drive), driveSlots(driveSlots) {}

  // Opens the drive for the Self-test dialog; none: its buttons stay off.
  DeviceOpener* drives = nullptr;

 protected:
  bool OnInitDialog() override;
  void OnCommand(int id, int notification, HWND control) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  int drive;
  const DriveSlots& driveSlots;
  // Each row's health mark, for the list's custom drawing and its tips.
  std::vector<DetailsRowMark> rowMarks;
};

}  // namespace taruk::win32
