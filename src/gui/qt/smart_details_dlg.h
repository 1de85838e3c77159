#pragma once
// The S.M.A.R.T. details dialog: every attribute stored for one drive, one
// row each, as the drive's slot held them when the dialog opened. The rows
// behind the drive's health verdict are marked, with the reason as their
// tooltip.
//
//   CSmartDetailsDlg(driveSlots, selectedDrive, window).exec();

#include "core/drive/drive_slot.h"
#include "core/drive/smart_device.h"
#include "gui/toolkit/template_dialog.h"

class QTreeWidget;

namespace taruk {

class CSmartDetailsDlg : public TemplateDialog {
  Q_OBJECT
 public:
  enum : int { IdAttributeList = 1013 };

  // Shows a drive of `driveSlots`, which outlive the dialog.
  explicit CSmartDetailsDlg(const DriveSlots& driveSlots, int drive = 0, QWidget* parent = nullptr);

  int drive;  // 0..3; may be changed until the dialog is shown
  // Opens the drive for the Self-test dialog; none: that button stays off.
  DeviceOpener* drives = nullptr;

  QTreeWidget* AttributeList() const;

 protected:
  // Reads the drive's slot once: the list does not follow later readings.
  void OnInitDialog() override;
  void OnCommand(int id) override;

 private:
  void MarkHealthRows(const DriveSlot& slot);

  const DriveSlots& driveSlots;
};

}  // namespace taruk
