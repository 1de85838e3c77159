#pragma once
// Carries out the action chosen for an alarm. Any value outside 1..6 does
// nothing and asks nothing of the platform.

#include <cstdint>
#include <functional>
#include <string>

#include "core/alarm/alarm_texts.h"
#include "core/alarm/alert_platform.h"
#include "core/mail/smtp_client.h"
#include "core/settings/alarm_action.h"

namespace taruk {

class AlarmMailQueue;

// Where the e-mail action sends: one address is the recipient, and the
// sender too unless taruk.toml's [mail] sender names another.
struct AlarmMailSettings {
  std::wstring emailAddress;
  std::wstring smtpServer;
  uint32_t port = kSmtpPort;
  StopSignal stopFd = kNoStopSignal;  // a stop request ends the client's waits
  // The sender the mail is handed to; none: sent before CarryOutAlarm returns.
  AlarmMailQueue* queue = nullptr;
  // Told whether the mail reached its server, after MailFinished, from the
  // thread that sent it; none: nobody asks.
  std::function<void(bool sent)> finished = nullptr;
};

void CarryOutAlarm(AlarmAction action, const AlarmMessage& message, const AlarmMailSettings& mail,
                   AlertPlatform& platform);

// How an alert e-mail went: the server's answer to the mail when it was
// sent, the client's last error otherwise.
struct AlarmMailOutcome {
  bool sent = false;
  std::wstring detail;
};

// The e-mail action alone: connect, send, disconnect, here and now.
AlarmMailOutcome SendAlarmMailNow(const AlarmMessage& message, const AlarmMailSettings& mail);

// The same; nothing is shown to the user whatever happens, the platform
// hears how it went.
void SendAlarmMail(const AlarmMessage& message, const AlarmMailSettings& mail, AlertPlatform& platform);

}  // namespace taruk
