#pragma once
// The Self-test dialog (template 142) for one drive: start the tests it
// offers, abort, the progress, the log and the error count. What it shows is
// core/view/self_test_dialog.h; the drive is asked off the window's thread
// (core/view/self_test_session.h), and asked again while a test runs at the
// drive's own polling time.
//
//   CSelfTestDlg(drives, slot, driveIndex, parent).exec();

#include <QTimer>

#include "core/drive/drive_slot.h"
#include "core/drive/smart_device.h"
#include "core/view/self_test_session.h"
#include "gui/self_test_ids.h"
#include "gui/toolkit/template_dialog.h"

class QTreeWidget;

namespace taruk {

class CSelfTestDlg : public TemplateDialog {
  Q_OBJECT
 public:
  using enum self_test_ids::Control;

  // `slot`: the drive as the monitor last read it; `drives` opens it for
  // each request (nullptr: the buttons stay off).
  CSelfTestDlg(DeviceOpener* drives, const DriveSlot& slot, int driveIndex, QWidget* parent = nullptr);

  // The drive as the dialog shows it now.
  const DriveSlot& Shown() const { return session.Shown(); }
  // Sends a request, or reads the drive again (none), off the window's thread.
  void Ask(std::optional<SelfTestRequest> request);

 protected:
  void OnInitDialog() override;
  void OnCommand(int id) override;

 private:
  void Show(const SelfTestSession::Step& step);
  void ShowSlot();

  SelfTestSession session;
  int driveIndex;
  QTimer resultTimer{this};
  QTimer pollTimer{this};
};

}  // namespace taruk
