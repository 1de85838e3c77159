// The main window's start, its routing table, Close and Exit.
#include "gui/qt/monitor_dlg.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMenu>

#include "core/drive/drive_slot.h"
#include "core/settings/settings_file.h"
#include "core/view/drive_pages.h"
#include "core/view/window_texts.h"
#include "gui/monitor_looks.h"
#include "gui/qt/about_dlg.h"
#include "gui/qt/colours.h"
#include "gui/qt/options_dlg.h"
#include "gui/qt/smart_details_dlg.h"
#include "gui/qt/temp_graph_dlg.h"
#include "gui/qt/window_alert_platform.h"
#include "gui/toolkit/icon_button.h"
#include "gui/toolkit/menu_resource.h"
#include "gui/toolkit/message_box.h"
#include "gui/toolkit/resources.h"
#include "gui/window_commands.h"

namespace taruk {

using namespace monitor_ids;

namespace {

bool IsIconButton(int id) {
  for (int disk : kDiskButtons) {
    if (id == disk) return true;
  }
  return id == kDetails || id == kOptions || id == kGraph;
}

// The seven buttons are CIconButtons; the rest come from the builder.
QWidget* MakeMainWindowControl(const ControlTemplate& control, QWidget* parent) {
  if (!IsIconButton(control.id)) return nullptr;
  auto* button = new CIconButton(parent);
  button->setAutoDefault(true);
  return button;
}

}  // namespace

CMonitorDlg::CMonitorDlg(Monitor& monitor, std::optional<QString> demoDrivesReason, QWidget* parent)
    : TemplateDialog(102, parent, MakeMainWindowControl),
      appIcon(ResourceIcon(kAppIcon)),
      monitor(monitor),
      windowAlerts(dynamic_cast<WindowAlertPlatform*>(&monitor.Environment().platform)),
      demoDrivesReason(std::move(demoDrivesReason)) {
  for (int n = 0; n < kDiskButtonCount; ++n) diskButtons[n] = Control<CIconButton>(kDiskButtons[n]);
  detailsButton = Control<CIconButton>(kDetails);
  optionsButton = Control<CIconButton>(kOptions);
  graphButton = Control<CIconButton>(kGraph);
  monitor.SetView(this);
  monitorTimer.setObjectName(QStringLiteral("monitorTimer"));
  monitorTimer.setTimerType(Qt::CoarseTimer);
  connect(&monitorTimer, &QTimer::timeout, this, &CMonitorDlg::RunMonitoringCycle);
  // A drive already failing at the start speaks through this window: its
  // balloon from the tray icon, its error box owned by the window.
  if (windowAlerts) windowAlerts->SetWindow(this);
  // Set up as it is made rather than on its first showing: nothing fills its
  // fields in between, and its icon, menu and timer must run while hidden.
  InitDialogOnce();
}

CMonitorDlg::~CMonitorDlg() {
  monitorTimer.stop();
  monitor.SetView(nullptr);
  if (windowAlerts) windowAlerts->SetWindow(nullptr);
  if (trayIcon) trayIcon->hide();
}

void CMonitorDlg::OnInitDialog() {
  // 1. The controls exist (built from the template) and are bound above.
  // 2. The window menu gains the About command, unless its text is empty.
  systemMenu = new QMenu(this);
  systemMenu->setObjectName(QStringLiteral("systemMenu"));
  systemMenu->addAction(tr("Minimize"), this, &QWidget::showMinimized);
  systemMenu->addAction(tr("Close"), this, &QWidget::close);
  const QString aboutText = ResourceString(kAboutString);
  if (!aboutText.isEmpty()) {
    systemMenu->addSeparator();
    QAction* about = systemMenu->addAction(aboutText);
    connect(about, &QAction::triggered, this, [this] { OnSysCommand(IDM_ABOUTBOX); });
  }
  // 3. The window's icon.
  setWindowIcon(appIcon);
  // 4. to 13.: the monitor's start with the window's steps.
  StartMonitorWindow(monitor, *this);
}

void CMonitorDlg::LoadTrayMenu() {
  trayMenu = LoadMenuResource(kTrayMenu, this);
  QMenu* popup = TrayPopup();
  if (!popup) return;
  if (!popup->actions().isEmpty()) {
    QAction* first = popup->actions().first();
    popup->setDefaultAction(first);
    QFont bold = first->font();
    bold.setBold(true);
    first->setFont(bold);
  }
  connect(popup, &QMenu::triggered, this, [this](QAction* action) { SendCommand(CommandIdOf(action)); });
}

void CMonitorDlg::SetButtonLooks() {
  for (const ButtonLook& look : kButtonLooks) {
    CIconButton* button = Control<CIconButton>(look.id);
    if (!button) continue;
    button->SetIconsFromResources(look.icon, kButtonIconSize, kButtonIconSize, OutIconGrey);
    button->SetStateColor(ColorNormalFace, ToQColor(look.normalFace), true);
    button->SetStateColor(ColorHotFace, ToQColor(look.hotFace), true);
    button->SetStateColor(ColorFocusFace, ToQColor(look.focusFace), true);
  }
  if (diskButtons[0]) diskButtons[0]->setFocus(Qt::OtherFocusReason);
  for (int n = 1; n < kDiskButtonCount; ++n) {
    if (diskButtons[n]) diskButtons[n]->hide();
  }
}

void CMonitorDlg::RunMonitoringCycle() { monitor.RunMonitoringCycle(); }

void CMonitorDlg::OnCommand(int id) { RunMonitorCommand(id, static_cast<MonitorWindowActions&>(*this)); }

void CMonitorDlg::ShowDriveOnButton(int button) {
  ShowDriveInfo(DriveOnButton(drivePage, button, monitor.Slots().size()));
}

void CMonitorDlg::OnSysCommand(int command) {
  if ((command & ~0xF) == IDM_ABOUTBOX) RunAboutBox();
}

void CMonitorDlg::contextMenuEvent(QContextMenuEvent* event) {
  // The window menu, opened over the window's own surface.
  if (systemMenu && !childAt(event->pos())) {
    systemMenu->popup(event->globalPos());
    event->accept();
    return;
  }
  TemplateDialog::contextMenuEvent(event);
}

void CMonitorDlg::RunAboutBox() {
  CAboutDlg about(this);
  about.exec();
}

void CMonitorDlg::closeEvent(QCloseEvent* event) {
  event->ignore();
  OnClose();
}

void CMonitorDlg::OnClose() {
  // Hidden, the window comes back only through its notification-area icon;
  // where the desktop has no notification area it is minimised instead.
  if (HasTrayIcon()) {
    hide();
  } else {
    showMinimized();
  }
}

void CMonitorDlg::OnExit() {
  const QMessageBox::StandardButton answer =
      ShowMessageBox(this, QStringLiteral("Taruk"), QStringLiteral("Exit from application?"), QMessageBox::Question,
                     QMessageBox::Yes | QMessageBox::No);
  if (answer != QMessageBox::Yes) return;
  SaveConfig();
  SetTrayIcon(false);
  monitorTimer.stop();
  done(0);
}

void CMonitorDlg::OnDetails() {
  if (static_cast<size_t>(selectedDrive) >= monitor.Slots().size() ||
      !monitor.Slots()[static_cast<size_t>(selectedDrive)].IsPresent()) {
    return;
  }
  // Owned by the main window, as a dialog made without a parent is.
  CSmartDetailsDlg details(monitor.Slots(), selectedDrive, this);
  details.drives = &monitor.Environment().drives;
  details.exec();
}

void CMonitorDlg::OnGraph() {
  CTempGraphDlg graph(monitor.Slots(), selectedDrive, monitor.Config().criticalTemperature, monitor.Environment().clock,
                      this);
  graph.exec();
}

void CMonitorDlg::OnOptions() {
  if (!EditOptions(monitor.Config(), &monitor.Environment().platform, this)) return;
  SaveConfig();
  // The timer keeps its period: a new poll interval takes effect at the next
  // start (the history uses it at once).
}

void CMonitorDlg::SaveConfig() {
  std::string problem;
  if (!monitor.SaveSettings(problem)) {
    ShowStopError(QString::fromStdWString(SettingsNotSavedText(monitor.LoadedSettings())), this);
  }
}

}  // namespace taruk
