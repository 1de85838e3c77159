#include "core/alarm/alarm_mail_texts.h"

namespace taruk {

namespace {

std::wstring Counted(int64_t count, const wchar_t* unit) {
  return std::to_wstring(count) + L" " + unit + (count == 1 ? L"" : L"s");
}

std::wstring StatusLine(MailDecision due, int64_t reminderSeconds) {
  const std::wstring afterwards = reminderSeconds > 0
                                      ? L"Taruk mails a reminder every " + LastingText(reminderSeconds) +
                                            L" while this lasts, and once more when it is back to normal."
                                      : L"Taruk mails once more when this is back to normal.";
  switch (due.due) {
    case MailDue::Reminder:
      return L"Still so after " + LastingText(due.lastingSeconds) + L". " + afterwards;
    case MailDue::Clear:
      return L"Back to normal after " + LastingText(due.lastingSeconds) + L".";
    case MailDue::Onset:
    case MailDue::Nothing:
      break;
  }
  return afterwards;
}

}  // namespace

std::wstring LastingText(int64_t seconds) {
  if (seconds < 60) return L"less than a minute";
  if (seconds < 3600) return Counted(seconds / 60, L"minute");
  return Counted(seconds / 3600, L"hour");
}

AlarmMessage AlarmMailFor(const AlarmMessage& alarm, MailDecision due, const std::wstring& machine,
                          int64_t reminderSeconds) {
  const std::wstring host = machine.empty() ? L"localhost" : machine;
  AlarmMessage mail = alarm;
  mail.subject = (due.due == MailDue::Clear ? alarm.normalSubject : alarm.subject) + L": " + alarm.place + L" on " +
                 host + (due.due == MailDue::Reminder ? L" (reminder)" : L"");
  mail.body = alarm.body + L"\r\n\r\nMachine: " + host + L"\r\n" + StatusLine(due, reminderSeconds);
  return mail;
}

}  // namespace taruk
