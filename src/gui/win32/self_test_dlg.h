#pragma once
// CSelfTestDlg on Windows: template 142, the same dialog as the Qt one.
// What it shows is core/view/self_test_dialog.h; the drive is asked off the
// window's thread (core/view/self_test_session.h) and looked for on a timer.

#include "core/drive/drive_slot.h"
#include "core/drive/smart_device.h"
#include "core/view/self_test_session.h"
#include "gui/self_test_ids.h"
#include "gui/win32/dialog_window.h"

namespace taruk::win32 {

class CSelfTestDlg : public DialogWindow {
 public:
  using enum self_test_ids::Control;

  // `slot`: the drive as the monitor last read it; `drives` opens it for
  // each request (nullptr: the buttons stay off).
  CSelfTestDlg(DeviceOpener* drives, const DriveSlot& slot, int driveIndex)
      : DialogWindow(self_test_ids::kTemplate), session(drives, slot), driveIndex(driveIndex) {}

 protected:
  bool OnInitDialog() override;
  void OnCommand(int id, int notification, HWND control) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  static constexpr UINT_PTR kResultTimer = 1;
  static constexpr UINT_PTR kPollTimer = 2;

  void Ask(std::optional<SelfTestRequest> request);
  void Show(const SelfTestSession::Step& step);
  void ShowSlot();

  SelfTestSession session;
  int driveIndex;
  bool polling = false;
};

}  // namespace taruk::win32
