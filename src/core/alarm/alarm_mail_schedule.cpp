#include "core/alarm/alarm_mail_schedule.h"

namespace taruk {

namespace {}  // namespace

void AlarmMailSchedule::SetReminderSeconds(int64_t seconds) {
  const std::lock_guard<std::mutex> held(lock);
  reminderSeconds = seconds < 0 ? kDefaultReminderSeconds : seconds;
}

int64_t AlarmMailSchedule::ReminderSeconds() const {
  const std::lock_guard<std::mutex> held(lock);
  return reminderSeconds;
}

MailDecision AlarmMailSchedule::Look(const std::wstring& condition, bool holds, bool mailing, int64_t now) {
  const std::lock_guard<std::mutex> held(lock);
  const auto found = conditions.find(condition);
  if (!holds) {
    if (found == conditions.end()) return {};
    const Condition ended = found->second;
    conditions.erase(found);
    // A clear without its onset would be the first the reader hears of it.
    if (!mailing || !ended.mailed) return {};
    return {MailDue::Clear, now - ended.since};
  }
  if (found == conditions.end()) {
    // Begun while another action was chosen: the e-mail, chosen later, gets
    // it as news then.
    const MailDue due = mailing ? MailDue::Onset : MailDue::Nothing;
    conditions[condition] = Condition{now, now, mailing, due, false};
    return {due, 0};
  }
  Condition& lasting = found->second;
  if (!mailing) return {};
  if (!lasting.mailed) {
    lasting.mailed = true;
    lasting.mailedAt = now;
    lasting.lastMail = MailDue::Onset;
    return {MailDue::Onset, now - lasting.since};
  }
  const bool periodOver = reminderSeconds > 0 && now - lasting.mailedAt >= reminderSeconds;
  if (!lasting.retry && !periodOver) return {};
  lasting.retry = false;
  lasting.mailedAt = now;
  lasting.lastMail = MailDue::Reminder;
  return {MailDue::Reminder, now - lasting.since};
}

void AlarmMailSchedule::Failed(const std::wstring& condition) {
  const std::lock_guard<std::mutex> held(lock);
  const auto found = conditions.find(condition);
  // A clear that failed is not tried again: the condition is over.
  if (found == conditions.end()) return;
  Condition& lasting = found->second;
  if (lasting.lastMail == MailDue::Onset) lasting.mailed = false;
  if (lasting.lastMail == MailDue::Reminder) lasting.retry = true;
}

void AlarmMailSchedule::Forget(const std::wstring& condition) {
  const std::lock_guard<std::mutex> held(lock);
  conditions.erase(condition);
}

int64_t ReadMailReminderSeconds(const SideSettings& side) {
  const auto hours = side.Integer("mail", "reminder-hours");
  if (!hours || *hours < 0 || *hours > kMostReminderHours) return AlarmMailSchedule::kDefaultReminderSeconds;
  return *hours * 3600;
}

}  // namespace taruk
