#pragma once
// When an alarm e-mail goes out. A hot drive, a full volume or a failing
// drive is mailed once when it begins, then at most once per reminder period
// while it lasts, and once when it is back to normal: a mail every poll
// interval would bury the one that matters, and people stop reading them.
// Only the e-mail follows this; the balloon, the sound and the power actions
// repeat with every cycle, as they always did.
//
// A condition is named by its alarm's topic ("temperature HD1", "free space
// /srv"), so every drive and volume keeps its own schedule. The schedule
// lives as long as the monitor: after a restart a condition that still holds
// is mailed as new, so the administrator hears it still holds.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "core/settings/side_settings.h"

namespace taruk {

enum class MailDue {
  Nothing,
  Onset,     // the condition began (or the mail about it did not get through)
  Reminder,  // it has lasted a reminder period since the last mail
  Clear,     // it is over; its onset was mailed
};

struct MailDecision {
  MailDue due = MailDue::Nothing;
  int64_t lastingSeconds = 0;  // since the condition began
};

class AlarmMailSchedule {
 public:
  static constexpr int64_t kDefaultReminderSeconds = 24 * 3600;

  // 0: no reminders, only the onset and the clear mail.
  void SetReminderSeconds(int64_t seconds);
  int64_t ReminderSeconds() const;

  // One cycle's look at one condition at `now` (Clock::ElapsedSeconds).
  // `mailing`: the alarm's action is the e-mail; when it is not, nothing is
  // due, and a condition that ended is forgotten, so a later onset is news.
  // A condition that was not looked at (its drive or volume is gone) keeps
  // its schedule.
  MailDecision Look(const std::wstring& condition, bool holds, bool mailing, int64_t now);

  // The mail decided on for `condition` did not reach its server: the next
  // look while it holds mails it again. Safe from the mail sender's thread.
  void Failed(const std::wstring& condition);

  // Starts `condition` afresh: its next look while it holds is an onset (a
  // drive's health that turns from caution to bad is news of its own).
  void Forget(const std::wstring& condition);

 private:
  struct Condition {
    int64_t since = 0;     // when it began
    int64_t mailedAt = 0;  // the last mail about it
    bool mailed = false;   // its onset went out (or is on its way)
    MailDue lastMail = MailDue::Nothing;
    bool retry = false;  // the last reminder did not get through
  };

  mutable std::mutex lock;
  int64_t reminderSeconds = kDefaultReminderSeconds;
  std::map<std::wstring, Condition> conditions;
};

// The longest reminder period taken: ten years; beyond is a typo.
constexpr int64_t kMostReminderHours = 10 * 366 * 24;

// [mail] reminder-hours in taruk.toml: a whole number of hours, 0 for no
// reminders; missing or out of range (below 0, above ten years): 24 hours.
int64_t ReadMailReminderSeconds(const SideSettings& side);

}  // namespace taruk
