#pragma once
// Carries out the action chosen for an alarm. Any value outside 1..6 does
// nothing and asks nothing of the platform.

#include <cstdint>
#include <string>

#include "core/alarm/alarm_action.h"
#include "core/alarm/alarm_texts.h"
#include "core/alarm/alert_platform.h"
#include "core/mail/smtp_client.h"

namespace taruk {

// Where the e-mail action sends: one address is both sender and recipient.
struct AlarmMailSettings {
  std::wstring emailAddress;
  std::wstring smtpServer;
  uint32_t port = kSmtpPort;
  StopSignal stopFd = kNoStopSignal;  // a stop request ends the client's waits
};

void CarryOutAlarm(AlarmAction action, const AlarmMessage& message, const AlarmMailSettings& mail,
                   AlertPlatform& platform);

// The e-mail action alone: connect, send, disconnect. Nothing is shown to the
// user whatever happens; the platform hears how it went.
void SendAlarmMail(const AlarmMessage& message, const AlarmMailSettings& mail, AlertPlatform& platform);

}  // namespace taruk
