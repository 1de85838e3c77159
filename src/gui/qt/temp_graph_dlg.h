#pragma once
// The temperature graph window: one drive's hour or minute history over a
// grid, with the critical temperature as a red line. The view chosen with the
// two radio buttons is remembered for the rest of the process (graphMode).
//
//   CTempGraphDlg(driveSlots, selectedDrive, config.criticalTemperature, clock, window).exec();

#include "core/base/clock.h"
#include "core/drive/drive_slot.h"
#include "gui/toolkit/template_dialog.h"

namespace taruk {

class CTempGraphCtrl;

class CTempGraphDlg : public TemplateDialog {
  Q_OBJECT
 public:
  enum : int { IdGraph = 1023, IdHours = 1024, IdMinutes = 1025 };

  // The graph follows the monitor's `clock`, by which its history was kept.
  CTempGraphDlg(const DriveSlots& driveSlots, int drive, int criticalTemperature, Clock& clock,
                QWidget* parent = nullptr);

  CTempGraphCtrl* Graph() const;

 protected:
  void OnCommand(int id) override;
};

}  // namespace taruk
