#pragma once
// COptionsDlg on Windows: template 134, the settings as texts and list
// selections, "Run at startup", a test sound and a test e-mail. It never
// touches the settings record: EditOptions fills the shared exchange, runs
// the dialog and takes the values back on OK.

#include <cstdint>

#include "core/mail/smtp_client.h"
#include "core/settings/monitor_config.h"
#include "core/view/options_exchange.h"
#include "core/view/self_test_schedule_form.h"
#include "gui/options_ids.h"
#include "gui/win32/dialog_window.h"

namespace taruk {
class AlertPlatform;
}

namespace taruk::win32 {

class COptionsDlg : public DialogWindow, public OptionsExchange {
 public:
  // Control ids of template 134.
  using enum options_ids::Control;

  explicit COptionsDlg(AlertPlatform& alertPlatform, uint32_t smtpPort = kSmtpPort)
      : DialogWindow(134), alertPlatform(alertPlatform), smtpPort(smtpPort) {}

 protected:
  bool OnInitDialog() override;
  void OnCommand(int id, int notification, HWND control) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  void ApplyTestSoundRule(int listId);
  void PlayTestSound();
  void SendTestEmail();
  void EditMailServer();
  void OnOK();
  int Selection(int listId) const;

  AlertPlatform& alertPlatform;
  uint32_t smtpPort;
  HBRUSH groupBrush = nullptr;
  // The self-test schedule as the dialog opened with it: only what the user
  // changed is written.
  SelfTestScheduleForm scheduleOpened;
};

// The Options command of the main window up to the save: true when the
// dialog ended with OK and `config` took its values; the caller then saves.
bool EditOptions(MonitorConfig& config, AlertPlatform& alertPlatform, HWND owner);

}  // namespace taruk::win32
