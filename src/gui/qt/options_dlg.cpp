#include "gui/qt/options_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include "core/alarm/alarm_sound_path.h"
#include "core/alarm/alert_platform.h"
#include "core/mail/test_email.h"
#include "core/monitor/run_at_startup.h"
#include "core/view/health_look.h"
#include "core/view/mail_server_form.h"
#include "core/view/self_test_schedule_form.h"
#include "gui/qt/colours.h"
#include "gui/qt/mail_server_dlg.h"
#include "gui/toolkit/message_box.h"
#include "gui/toolkit/up_down_control.h"
#include "gui/window_commands.h"

namespace taruk {

using options_ids::ActionList;
using options_ids::kActionLists;
using options_ids::kGroupBoxIds;

namespace {

const QColor kGroupCaption = ToQColor(palette::kGroupCaption);

QString Q(const std::wstring& text) { return QString::fromStdWString(text); }

}  // namespace

COptionsDlg::COptionsDlg(QWidget* parent, AlertPlatform* alertPlatform, uint32_t smtpPort)
    : TemplateDialog(134, parent), alertPlatform(alertPlatform), smtpPort(smtpPort) {
  for (const int id : kGroupBoxIds) {
    auto* frame = Control<QGroupBox>(id);
    if (!frame) continue;
    // Styles draw the caption from either role; the controls inside are the
    // dialog's children, not the frame's, so they keep the usual colours.
    QPalette palette = frame->palette();
    palette.setColor(QPalette::WindowText, kGroupCaption);
    palette.setColor(QPalette::Text, kGroupCaption);
    frame->setPalette(palette);
  }
}

void COptionsDlg::OnInitDialog() {
  for (const ActionList& actionList : kActionLists) {
    auto* list = Control<QComboBox>(actionList.list);
    for (const wchar_t* text : AlarmActionTexts) list->addItem(Q(text));
    const int32_t action = this->*actionList.action;
    // A value outside the list leaves it without a selection.
    list->setCurrentIndex(action >= 0 && action < list->count() ? action : -1);
  }

  pollEdit = pollIntervalText;
  Control<UpDownControl>(IdPollSpin)->SetRange(10, 600);
  criticalEdit = criticalTemperatureText;
  minimumFreeSpaceEdit = minimumFreeSpaceText;
  Control<UpDownControl>(IdCriticalSpin)->SetRange(1, 100);
  emailEdit = emailAddress;
  serverEdit = smtpServer;

  runAtStartup = AutostartEntryExists() ? 1 : 0;
  trayTemperature = LoadTrayIconMode() == TrayIconMode::Temperature ? 1 : 0;
  scheduleOpened = LoadSelfTestScheduleForm();
  selfTests = scheduleOpened.enabled ? 1 : 0;
  shortDaysEdit = scheduleOpened.shortDays;
  extendedDaysEdit = scheduleOpened.extendedDays;

  SetControlText(Control(IdSendTestEmail), QStringLiteral("Send test\r\n  e-mail"));
  UpdateData(false);
  for (const ActionList& actionList : kActionLists) ApplyTestSoundRule(actionList.list);
}

void COptionsDlg::UpdateData(bool fromControls) {
  struct Binding {
    int id;
    std::wstring* field;
  };
  const Binding edits[] = {{IdPollEdit, &pollEdit},
                           {IdCriticalEdit, &criticalEdit},
                           {IdEmailEdit, &emailEdit},
                           {IdServerEdit, &serverEdit},
                           {IdMinimumFreeSpaceEdit, &minimumFreeSpaceEdit},
                           {IdShortDays, &shortDaysEdit},
                           {IdExtendedDays, &extendedDaysEdit}};
  struct CheckBinding {
    int id;
    int32_t* field;
  };
  const CheckBinding checks[] = {
      {IdRunAtStartup, &runAtStartup}, {IdTrayTemperature, &trayTemperature}, {IdSelfTests, &selfTests}};
  if (fromControls) {
    for (const Binding& edit : edits) *edit.field = Control<QLineEdit>(edit.id)->text().toStdWString();
    for (const CheckBinding& check : checks) *check.field = Control<QCheckBox>(check.id)->isChecked() ? 1 : 0;
  } else {
    for (const Binding& edit : edits) Control<QLineEdit>(edit.id)->setText(Q(*edit.field));
    for (const CheckBinding& check : checks) Control<QCheckBox>(check.id)->setChecked(*check.field != 0);
  }
}

void COptionsDlg::ApplyTestSoundRule(int listId) {
  for (const ActionList& actionList : kActionLists) {
    if (actionList.list != listId) continue;
    Control(actionList.testSound)->setVisible(options_ids::ShowsTestSound(Control<QComboBox>(listId)->currentIndex()));
  }
}

void COptionsDlg::OnSelectionChanged(int id) { ApplyTestSoundRule(id); }

void COptionsDlg::OnCommand(int id) {
  const bool ran = RunOptionsCommand(id, {.ok = [this] { OnOK(); },
                                          .playTestSound = [this] { PlayTestSound(); },
                                          .sendTestEmail = [this] { SendTestEmail(); },
                                          .editMailServer = [this] { EditMailServer(); }});
  if (!ran) TemplateDialog::OnCommand(id);
}

void COptionsDlg::PlayTestSound() {
  std::wstring failure = L"No sound output is available.";
  if (!alertPlatform || !alertPlatform->PlaySoundFile(AlarmSoundPath(), failure)) {
    ShowSystemErrorText(Q(failure), this);
  }
}

void COptionsDlg::SendTestEmail() {
  UpdateData(true);
  taruk::SendTestEmail(emailEdit, serverEdit, smtpPort,
                       [this](const std::wstring& failure) { ShowStopError(Q(failure), this); });
}

// taruk.toml is written when the Mail server dialog ends with OK; the server
// field goes back here and into conf.dat with the other options.
void COptionsDlg::EditMailServer() {
  UpdateData(true);
  SideSettings side;
  std::string reason;
  if (LoadSideSettings(side, reason) == SideFileStatus::Bad) {
    ShowStopError(Q(L"Can't read the mail settings: ") + QString::fromStdString(reason), this);
    return;
  }
  CMailServerDlg dialog(this);
  dialog.form = MailServerFormFrom(serverEdit, side);
  if (dialog.exec() != QDialog::Accepted) return;
  serverEdit = dialog.form.server;
  UpdateData(false);
}

void COptionsDlg::OnOK() {
  UpdateData(true);
  pollIntervalText = pollEdit;
  criticalTemperatureText = criticalEdit;
  minimumFreeSpaceText = minimumFreeSpaceEdit;
  temperatureAction = Control<QComboBox>(IdTemperatureActionList)->currentIndex();
  freeSpaceAction = Control<QComboBox>(IdFreeSpaceActionList)->currentIndex();
  healthAction = Control<QComboBox>(IdHealthActionList)->currentIndex();
  emailAddress = emailEdit;
  smtpServer = serverEdit;

  const std::wstring inputError = OptionsInputError(pollEdit, criticalEdit);
  if (!inputError.empty()) {
    ShowStopError(Q(inputError), this);
    return;
  }
  SelfTestScheduleSettings schedule;
  std::wstring scheduleError;
  if (!ReadSelfTestScheduleForm({selfTests != 0, shortDaysEdit, extendedDaysEdit}, schedule, scheduleError)) {
    ShowStopError(Q(scheduleError), this);
    return;
  }

  // The start-at-log-on entry changes only here, after the checks passed. A
  // failure to write it is shown, and the dialog still ends with OK so that
  // the other settings are kept.
  const std::string startupFailure = RunAtStartupAfterOk(runAtStartup, [] { return false; });
  if (!startupFailure.empty()) ShowSystemErrorText(QString::fromLocal8Bit(startupFailure), this);
  const std::wstring trayError = StoreTrayIconMode(trayTemperature ? TrayIconMode::Temperature : TrayIconMode::Health);
  if (!trayError.empty()) ShowStopError(Q(trayError), this);
  // The running monitor takes the schedule from the file at its next cycle.
  const std::wstring scheduleStoreError = StoreSelfTestSchedule(scheduleOpened, schedule);
  if (!scheduleStoreError.empty()) ShowStopError(Q(scheduleStoreError), this);
  accept();
}

bool EditOptions(MonitorConfig& config, AlertPlatform* alertPlatform, QWidget* parent) {
  COptionsDlg dialog(parent, alertPlatform);
  static_cast<OptionsExchange&>(dialog) = OptionsExchangeFromConfig(config);
  if (dialog.exec() != QDialog::Accepted) return false;
  ApplyOptionsExchange(dialog, config);
  return true;
}

}  // namespace taruk
