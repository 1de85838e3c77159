#include "gui/win32/options_dlg.h"

#include <commctrl.h>
#include <uxtheme.h>

#include "core/alarm/alarm_sound_path.h"
#include "core/alarm/alert_platform.h"
#include "core/base/path_text.h"
#include "core/mail/test_email.h"
#include "core/monitor/run_at_startup.h"
#include "core/view/health_look.h"
#include "core/view/self_test_schedule_form.h"
#include "gui/win32/colours.h"
#include "gui/win32/mail_server_dlg.h"
#include "gui/win32/message_box.h"
#include "gui/window_commands.h"
#include "win32/autostart.h"

namespace taruk::win32 {

using options_ids::ActionList;
using options_ids::kActionLists;
using options_ids::kGroupBoxIds;

namespace {

constexpr COLORREF kGroupCaption = ToColorRef(palette::kGroupCaption);

}  // namespace

int COptionsDlg::Selection(int listId) const {
  return static_cast<int>(SendMessageW(Item(listId), CB_GETCURSEL, 0, 0));
}

bool COptionsDlg::OnInitDialog() {
  for (const ActionList& actionList : kActionLists) {
    HWND list = Item(actionList.list);
    for (const wchar_t* text : AlarmActionTexts) SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    const int32_t action = this->*actionList.action;
    // A value outside the list leaves it without a selection (-1).
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(action), 0);
  }
  SetItemText(IdPollEdit, pollIntervalText);
  SendMessageW(Item(IdPollSpin), UDM_SETRANGE32, 10, 600);
  SetItemText(IdCriticalEdit, criticalTemperatureText);
  SetItemText(IdMinimumFreeSpaceEdit, minimumFreeSpaceText);
  SendMessageW(Item(IdCriticalSpin), UDM_SETRANGE32, 1, 100);
  SetItemText(IdEmailEdit, emailAddress);
  SetItemText(IdServerEdit, smtpServer);
  CheckDlgButton(window, IdRunAtStartup, AutostartEntryExists() ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(window, IdTrayTemperature,
                 LoadTrayIconMode() == TrayIconMode::Temperature ? BST_CHECKED : BST_UNCHECKED);
  scheduleOpened = LoadSelfTestScheduleForm();
  CheckDlgButton(window, IdSelfTests, scheduleOpened.enabled ? BST_CHECKED : BST_UNCHECKED);
  SetItemText(IdShortDays, scheduleOpened.shortDays);
  SetItemText(IdExtendedDays, scheduleOpened.extendedDays);
  SetItemText(IdSendTestEmail, L"Send test\r\n  e-mail");
  // A group box drawn by the visual style takes its caption colour from the
  // style, whatever WM_CTLCOLORSTATIC says: these draw the classic way.
  for (int groupId : kGroupBoxIds) SetWindowTheme(Item(groupId), L"", L"");
  for (const ActionList& actionList : kActionLists) ApplyTestSoundRule(actionList.list);
  return true;
}

void COptionsDlg::ApplyTestSoundRule(int listId) {
  for (const ActionList& actionList : kActionLists) {
    if (actionList.list == listId) ShowItem(actionList.testSound, options_ids::ShowsTestSound(Selection(listId)));
  }
}

bool COptionsDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  if (message == WM_CTLCOLORSTATIC) {
    const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
    for (int groupId : kGroupBoxIds) {
      if (id != groupId) continue;
      auto* dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, kGroupCaption);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      if (!groupBrush) groupBrush = GetSysColorBrush(COLOR_BTNFACE);
      result = reinterpret_cast<INT_PTR>(groupBrush);
      return true;
    }
  }
  return false;
}

void COptionsDlg::OnCommand(int id, int notification, HWND control) {
  if (id == IdTemperatureActionList || id == IdFreeSpaceActionList || id == IdHealthActionList) {
    if (notification == CBN_SELCHANGE) ApplyTestSoundRule(id);
    return;
  }
  const bool ran = RunOptionsCommand(id, {.ok = [this] { OnOK(); },
                                          .playTestSound = [this] { PlayTestSound(); },
                                          .sendTestEmail = [this] { SendTestEmail(); },
                                          .editMailServer = [this] { EditMailServer(); }});
  if (!ran) DialogWindow::OnCommand(id, notification, control);
}

void COptionsDlg::PlayTestSound() {
  std::wstring failure = L"No sound output is available.";
  if (!alertPlatform.PlaySoundFile(AlarmSoundPath(), failure)) ShowSystemErrorText(failure, window);
}

void COptionsDlg::SendTestEmail() {
  taruk::SendTestEmail(ItemText(IdEmailEdit), ItemText(IdServerEdit), smtpPort,
                       [this](const std::wstring& failure) { ShowStopError(failure, window); });
}

// taruk.toml is written when the Mail server dialog ends with OK; the server
// field goes back here and into conf.dat with the other options.
void COptionsDlg::EditMailServer() {
  SideSettings side;
  std::string reason;
  if (LoadSideSettings(side, reason) == SideFileStatus::Bad) {
    ShowStopError(L"Can't read the mail settings: " + PathBytesToWide(reason), window);
    return;
  }
  CMailServerDlg dialog;
  dialog.form = MailServerFormFrom(ItemText(IdServerEdit), side);
  if (dialog.DoModal(window) == IDOK) SetItemText(IdServerEdit, dialog.form.server);
}

void COptionsDlg::OnOK() {
  pollIntervalText = ItemText(IdPollEdit);
  criticalTemperatureText = ItemText(IdCriticalEdit);
  minimumFreeSpaceText = ItemText(IdMinimumFreeSpaceEdit);
  temperatureAction = Selection(IdTemperatureActionList);
  freeSpaceAction = Selection(IdFreeSpaceActionList);
  healthAction = Selection(IdHealthActionList);
  emailAddress = ItemText(IdEmailEdit);
  smtpServer = ItemText(IdServerEdit);

  const std::wstring inputError = OptionsInputError(pollIntervalText, criticalTemperatureText);
  if (!inputError.empty()) {
    ShowStopError(inputError, window);
    return;
  }
  SelfTestScheduleSettings schedule;
  std::wstring scheduleError;
  const SelfTestScheduleForm scheduleForm{IsDlgButtonChecked(window, IdSelfTests) == BST_CHECKED, ItemText(IdShortDays),
                                          ItemText(IdExtendedDays)};
  if (!ReadSelfTestScheduleForm(scheduleForm, schedule, scheduleError)) {
    ShowStopError(scheduleError, window);
    return;
  }
  // The start-at-log-on entry changes only here, after the checks passed. A
  // failure to write it is shown, and the dialog still ends with OK so that
  // the other settings are kept.
  const auto offerUserValue = [this] {
    return MessageBoxW(window, kUserRunOffer, kUserRunOfferTitle, MB_YESNO | MB_ICONQUESTION) == IDYES;
  };
  const std::string startupFailure =
      RunAtStartupAfterOk(IsDlgButtonChecked(window, IdRunAtStartup) == BST_CHECKED, offerUserValue);
  if (!startupFailure.empty()) ShowSystemErrorText(PathBytesToWide(startupFailure), window);
  const bool trayTemperature = IsDlgButtonChecked(window, IdTrayTemperature) == BST_CHECKED;
  const std::wstring trayError = StoreTrayIconMode(trayTemperature ? TrayIconMode::Temperature : TrayIconMode::Health);
  if (!trayError.empty()) ShowStopError(trayError, window);
  // The running monitor takes the schedule from the file at its next cycle.
  const std::wstring scheduleStoreError = StoreSelfTestSchedule(scheduleOpened, schedule);
  if (!scheduleStoreError.empty()) ShowStopError(scheduleStoreError, window);
  EndDialog(IDOK);
}

bool EditOptions(MonitorConfig& config, AlertPlatform& alertPlatform, HWND owner) {
  COptionsDlg dialog(alertPlatform);
  static_cast<OptionsExchange&>(dialog) = OptionsExchangeFromConfig(config);
  if (dialog.DoModal(owner) != IDOK) return false;
  ApplyOptionsExchange(dialog, config);
  return true;
}

}  // namespace taruk::win32
