#include "gui/qt/temp_graph_ctrl.h"

#include <QPainter>

#include "core/drive/drive_slot.h"
#include "gui/qt/temp_graph_painter.h"

namespace taruk {

GraphMode graphMode = GraphMode::Hours;

CTempGraphCtrl::CTempGraphCtrl(const DriveSlots& driveSlots, Clock& clock, QWidget* parent)
    : QFrame(parent), driveSlots(driveSlots), clock(clock) {
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
}

TempGraphPlan CTempGraphCtrl::CurrentPlan() const {
  const QRect client = contentsRect();
  // Coordinates relative to the client area, as the painter is moved there.
  return PlanDriveGraph(SlotOrEmpty(driveSlots, drive), graphMode, clock, client.width(), client.height(),
                        criticalTemperature);
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
