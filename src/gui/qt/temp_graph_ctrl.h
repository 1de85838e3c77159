#pragma once
// The graph area of the temperature graph window: a bordered box that draws
// one drive's hour or minute history, read afresh at every paint.

#include <QFrame>

#include "core/base/clock.h"
#include "core/drive/drive_slot.h"
#include "core/view/temp_graph_plan.h"

namespace taruk {

class CTempGraphCtrl : public QFrame {
 public:
  // Draws from `driveSlots` by the monitor's `clock`, which outlive the
  // control.
  CTempGraphCtrl(const DriveSlots& driveSlots, Clock& clock, QWidget* parent = nullptr);

  // What the graph shows; the view (hours or minutes) is the process-wide
  // graphMode.
  int drive = 0;
  int criticalTemperature = 55;

  // The plan for the control's current size, mode and clock.
  TempGraphPlan CurrentPlan() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const DriveSlots& driveSlots;
  Clock& clock;
};

// The last view chosen in the graph window, Hours at start; kept for the
// process's life, never saved.
extern GraphMode graphMode;

}  // namespace taruk
