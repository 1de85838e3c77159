#include "core/alarm/alarm_dispatch.h"

#include "core/alarm/alarm_mail_queue.h"
#include "core/alarm/alarm_sound_path.h"
#include "core/mail/mail_account.h"
#include "core/mail/outgoing_mail.h"
#include "core/mail/smtp_client.h"

namespace taruk {

namespace {

// Every machine this runs on has the privilege step (there is no older
// system family to skip it for). Its verdict is not looked at here: a refusal
// has been reported, and the platform's power operation decides whether to
// send its request all the same (the window does; the headless monitor keeps
// to the system's answer).
void PowerStep(PowerAction action, AlertPlatform& platform) {
  platform.EnableShutdownPrivilege(action);
  switch (action) {
    case PowerAction::ShutDown:
      platform.ShutDown();
      break;
    case PowerAction::Suspend:
      platform.Suspend();
      break;
    case PowerAction::Hibernate:
      platform.Hibernate();
      break;
  }
}

}  // namespace

AlarmMailOutcome SendAlarmMailNow(const AlarmMessage& message, const AlarmMailSettings& mail) {
  COutgoingMail outgoing;
  outgoing.from = mail.emailAddress;
  outgoing.AddRecipient(mail.emailAddress, mail.emailAddress);
  outgoing.subject = message.subject;
  outgoing.body = message.body;

  std::wstring refusal;
  const std::unique_ptr<CSmtpClient> client = MakeMailClient(mail.smtpServer, mail.port, outgoing, refusal);
  if (!client) return {false, refusal};
  client->stopFd = mail.stopFd;
  bool sent = false;
  if (client->Connect()) sent = client->Send(outgoing);
  // The reply to the mail itself, before QUIT replaces it.
  AlarmMailOutcome outcome{sent, sent ? client->LastReply() : client->LastError()};
  client->Disconnect();
  return outcome;
}

void SendAlarmMail(const AlarmMessage& message, const AlarmMailSettings& mail, AlertPlatform& platform) {
  const AlarmMailOutcome outcome = SendAlarmMailNow(message, mail);
  platform.MailFinished(mail.emailAddress, message.subject, outcome.sent, outcome.detail);
  if (mail.finished) mail.finished(outcome.sent);
}

void CarryOutAlarm(AlarmAction action, const AlarmMessage& message, const AlarmMailSettings& mail,
                   AlertPlatform& platform) {
  switch (action) {
    case AlarmAction::ShowNotification:
      platform.ShowAlarmBalloon(
          {kBalloonTitle, message.balloonText, kBalloonTimeoutMs, message.topic, message.warning});
      return;
    case AlarmAction::ShutDown:
      PowerStep(PowerAction::ShutDown, platform);
      return;
    case AlarmAction::Suspend:
      PowerStep(PowerAction::Suspend, platform);
      return;
    case AlarmAction::Hibernate:
      PowerStep(PowerAction::Hibernate, platform);
      return;
    case AlarmAction::PlaySound: {
      // The sound alone: it does not go on to send the e-mail as well.
      std::wstring failure;
      if (!platform.PlaySoundFile(AlarmSoundPath(), failure)) platform.ShowSystemError(failure);
      return;
    }
    case AlarmAction::SendEmail:
      if (mail.queue) {
        mail.queue->Post(message, mail);
      } else {
        SendAlarmMail(message, mail, platform);
      }
      return;
    case AlarmAction::None:
      return;
  }
  // Any other stored value (-1 for a list without a selection) acts as None.
}

}  // namespace taruk
