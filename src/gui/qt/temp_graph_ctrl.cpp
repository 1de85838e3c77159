#include "gui/qt/temp_graph_ctrl.h"

#include <QPainter>

#include "core/drive/drive_slot.h"
#include "gui/qt/temp_graph_painter.h"

namespace taruk {

GraphMode graphMode = GraphMode::Hours;

CTempGraphCtrl::CTempGraphCtrl(const DriveSlots& driveSlots, QWidget* parent) : QFrame(parent), driveSlots(driveSlots) {
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
}

TempGraphPlan CTempGraphCtrl::CurrentPlan() const {
  SystemClock systemClock;
  Clock& now = clock ? *clock : systemClock;
  const DriveSlot& slot = SlotOrEmpty(driveSlots, drive);
  const QRect client = contentsRect();
  // Coordinates relative to the client area, as the painter is moved there.
  if (graphMode == GraphMode::Hours) {
    return PlanTemperatureGraph(0, 0, client.width(), client.height(), GraphMode::Hours, now.CurrentHour(),
                                slot.hourHistory, criticalTemperature);
  }
  return PlanTemperatureGraph(0, 0, client.width(), client.height(), GraphMode::Minutes, now.CurrentMinute(),
                              slot.minuteHistory, criticalTemperature);
}

void CTempGraphCtrl::paintEvent(QPaintEvent* event) {
  {
    QPainter painter(this);
    painter.translate(contentsRect().topLeft());
    painter.setClipRect(QRect(QPoint(0, 0), contentsRect().size()));
    PaintTemperatureGraph(painter, CurrentPlan());
  }
  QFrame::paintEvent(event);  // the border
}

}  // namespace taruk
