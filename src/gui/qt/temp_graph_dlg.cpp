#include "gui/qt/temp_graph_dlg.h"

#include <QRadioButton>

#include "core/view/window_texts.h"
#include "gui/qt/temp_graph_ctrl.h"

namespace taruk {

namespace {

// Control 1023 is a plain bordered static in the template; here it is the
// graph itself.
ControlFactory GraphOf(const DriveSlots& driveSlots, Clock& clock) {
  return [&driveSlots, &clock](const ControlTemplate& control, QWidget* parent) -> QWidget* {
    if (control.id != CTempGraphDlg::IdGraph) return nullptr;
    return new CTempGraphCtrl(driveSlots, clock, parent);
  };
}

}  // namespace

CTempGraphDlg::CTempGraphDlg(const DriveSlots& driveSlots, int drive, int criticalTemperature, Clock& clock,
                             QWidget* parent)
    : TemplateDialog(137, parent, GraphOf(driveSlots, clock)) {
  if (drive >= 0 && static_cast<size_t>(drive) < driveSlots.size()) {
    setWindowTitle(QString::fromStdWString(
        DriveWindowTitle(windowTitle().toStdWString(), drive, driveSlots[static_cast<size_t>(drive)])));
  }
  CTempGraphCtrl* graph = Graph();
  if (!graph) return;
  graph->drive = drive;
  graph->criticalTemperature = criticalTemperature;
  Control<QRadioButton>(graphMode == GraphMode::Hours ? IdHours : IdMinutes)->setChecked(true);
}

CTempGraphCtrl* CTempGraphDlg::Graph() const { return Control<CTempGraphCtrl>(IdGraph); }

void CTempGraphDlg::OnCommand(int id) {
  if (id == IdHours || id == IdMinutes) {
    graphMode = id == IdHours ? GraphMode::Hours : GraphMode::Minutes;
    if (CTempGraphCtrl* graph = Graph()) graph->update();
    return;
  }
  TemplateDialog::OnCommand(id);
}

}  // namespace taruk
