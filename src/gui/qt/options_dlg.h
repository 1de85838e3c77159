#pragma once
// The Options dialog: the settings as texts and list selections, "Run at
// startup", a test sound and a test e-mail. It never touches the settings
// record itself: the caller fills the exchange fields, runs the dialog and
// takes them back on OK.
//
//   if (EditOptions(config, &alertPlatform, window)) SaveSettings(config);

#include <cstdint>

#include "core/mail/smtp_client.h"
#include "core/settings/monitor_config.h"
#include "core/view/options_exchange.h"
#include "core/view/self_test_schedule_form.h"
#include "gui/options_ids.h"
#include "gui/toolkit/template_dialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace taruk {

class AlertPlatform;

class COptionsDlg : public TemplateDialog, public OptionsExchange {
  Q_OBJECT
 public:
  // Control ids of template 134.
  using enum options_ids::Control;

  // `alertPlatform` plays "Test sound" the way the alarm plays it; without
  // one the buttons report that no sound output is available. The test
  // e-mail goes to `smtpPort` of the server: 25, as the alert e-mails do.
  explicit COptionsDlg(QWidget* parent = nullptr, AlertPlatform* alertPlatform = nullptr,
                       uint32_t smtpPort = kSmtpPort);

  // Bound to the controls; follow them only when the dialog reads them
  // (opening, test e-mail, OK).
  int32_t runAtStartup = 0;
  int32_t trayTemperature = 0;
  int32_t selfTests = 0;
  std::wstring shortDaysEdit;
  std::wstring extendedDaysEdit;
  // The self-test schedule as the dialog opened with it: only what the user
  // changed is written.
  SelfTestScheduleForm scheduleOpened;
  std::wstring pollEdit;
  std::wstring criticalEdit;
  std::wstring emailEdit;
  std::wstring serverEdit;
  std::wstring minimumFreeSpaceEdit;

 protected:
  void OnInitDialog() override;
  void OnCommand(int id) override;
  void OnSelectionChanged(int id) override;

 private:
  AlertPlatform* alertPlatform;
  uint32_t smtpPort;
  // Fields to controls (false) or controls to fields (true).
  void UpdateData(bool fromControls);
  void ApplyTestSoundRule(int listId);
  void PlayTestSound();
  void SendTestEmail();
  void EditMailServer();
  void OnOK();
};

// The Options command of the main window up to the save: fills the dialog
// from `config`, runs it modally and, when it ends with OK, takes its values
// over. True when accepted; the caller then saves the settings. `alertPlatform`
// plays "Test sound" (may be null).
bool EditOptions(MonitorConfig& config, AlertPlatform* alertPlatform, QWidget* parent);

}  // namespace taruk
