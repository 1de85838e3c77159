// The disk buttons and the disk panel of the main window: captions, which
// buttons show, the selected drive's maker, serial number, work time and
// temperature, and the panel's colours and fonts.
#include <QFontMetrics>
#include <QLabel>

#include "core/drive/drive_slot.h"
#include "core/drive/slot_health.h"
#include "core/monitor/monitoring_cycle.h"
#include "core/view/disk_panel_text.h"
#include "core/view/drive_pages.h"
#include "core/view/health_look.h"
#include "gui/monitor_looks.h"
#include "gui/qt/colours.h"
#include "gui/qt/monitor_dlg.h"
#include "gui/toolkit/icon_button.h"

namespace taruk {

using namespace monitor_ids;

namespace {

QString FromWide(const std::wstring& text) { return QString::fromStdWString(text); }

// The largest font of this family whose lines are at most `cellHeight`
// pixels high (ascent plus descent), as a font asked for by cell height.
QFont FontWithCellHeight(QFont font, int cellHeight) {
  for (int pixels = cellHeight; pixels > 1; --pixels) {
    font.setPixelSize(pixels);
    if (QFontMetrics(font).height() <= cellHeight) break;
  }
  return font;
}

}  // namespace

void CMonitorDlg::CreateInfoFont() {
  QFont font = this->font();
  font.setWeight(QFont::Bold);
  infoFont = FontWithCellHeight(font, 16);
  for (int id : {kManufacturerLabel, kSerialLabel, kWorkTimeLabel, kTemperature}) {
    if (QWidget* control = Control(id)) control->setFont(infoFont);
  }
}

void CMonitorDlg::ShowInformationArea() {
  PlaceInformationArea();
  PaintInformationArea();
}

void CMonitorDlg::PlaceInformationArea() {
  QWidget* background = Control(kBackground);
  QWidget* frame = Control(kFrame);
  CIconButton* first = diskButtons[0];
  if (!background || !frame || !first) return;
  const QRect button = first->geometry();
  const ControlRect area = InformationArea({button.x(), button.y(), button.width(), button.height()},
                                           {frame->x(), frame->y(), frame->width(), frame->height()});
  background->setGeometry(area.x, area.y, area.width, area.height);
}

void CMonitorDlg::PaintInformationArea() {
  // One palette, made once and shared by every control of the area: the
  // brush the colour requests answer with.
  infoPalette = palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    infoPalette.setColor(group, QPalette::Window, ToQColor(palette::kLightBlue));
    infoPalette.setColor(group, QPalette::WindowText, ToQColor(palette::kPanelText));
  }
  for (int id : {kBackground, kManufacturerLabel, kManufacturer, kSerialLabel, kWorkTimeLabel, kWorkTime, kSerialNumber,
                 kTemperatureIcon, kTemperature, kHealthLine}) {
    QWidget* control = Control(id);
    if (!control) continue;
    control->setPalette(infoPalette);
    control->setAutoFillBackground(true);
  }
}

void CMonitorDlg::RefreshDrives() { monitor.RefreshDrives(); }

void CMonitorDlg::ShowDiskButton(int driveIndex) {
  if (driveIndex < 0 || static_cast<size_t>(driveIndex) >= monitor.Slots().size()) return;
  if (PageOfDrive(driveIndex) != drivePage) return;
  CIconButton* button = diskButtons[ButtonOfDrive(driveIndex)];
  if (!button) return;
  button->show();
  SetControlText(button, FromWide(DiskButtonCaption(driveIndex, monitor.Slots()[driveIndex])));
}

void CMonitorDlg::ShowSelectedDriveInfo() { ShowDriveInfo(selectedDrive); }

void CMonitorDlg::ShowDriveInfo(int driveIndex) {
  if (driveIndex < 0 || static_cast<size_t>(driveIndex) >= monitor.Slots().size()) return;
  const DriveSlot& slot = monitor.Slots()[driveIndex];
  if (!slot.IsPresent()) return;
  selectedDrive = driveIndex;
  SetControlText(Control(kManufacturer), FromWide(ManufacturerOf(slot.model)));
  SetControlText(Control(kSerialNumber), FromWide(TrimmedSerial(slot.serialNumber)));
  QWidget* const temperatureControls[] = {Control(kTemperature), Control(kTemperatureIcon), graphButton};
  for (QWidget* control : temperatureControls) {
    if (control) control->hide();
  }
  const std::wstring temperature = PanelTemperatureText(slot);
  if (!temperature.empty()) {
    SetControlText(Control(kTemperature), FromWide(temperature));
    for (QWidget* control : temperatureControls) {
      if (control) control->show();
    }
  }
  SetControlText(Control(kWorkTime), FromWide(WorkTimeText(slot.powerOnHours)));
  ShowHealthLine(slot);
}

void CMonitorDlg::ShowHealthLine(const DriveSlot& slot) {
  QWidget* line = Control(kHealthLine);
  if (!line) return;
  const QString text = FromWide(PanelHealthText(slot));
  SetControlText(line, text);
  // Cut at the panel's edge when a reason is long; the whole of it on hover.
  line->setToolTip(text);
  const std::optional<RgbColour> badge = HealthBadgeColour(SlotHealth(slot).verdict);
  QPalette colours = infoPalette;
  if (badge) colours.setColor(QPalette::WindowText, ToQColor(*badge));
  line->setPalette(colours);
}

}  // namespace taruk
