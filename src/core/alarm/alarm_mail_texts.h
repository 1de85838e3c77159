#pragma once
// The alert e-mail as it goes out: the alarm's own subject and body, with the
// drive or volume and the machine added, and what this mail is: the first,
// a reminder, or the one that says it is over.
//
//   Subject: Taruk - critical temperature reached: HD1 ST3160023A on pc7
//   ...the alarm's body...
//
//   Machine: pc7
//   Taruk mails a reminder every 24 hours while this lasts, and once more when it is back to normal.

#include <cstdint>
#include <string>

#include "core/alarm/alarm_mail_schedule.h"
#include "core/alarm/alarm_texts.h"

namespace taruk {

// `alarm` as the e-mail `due` (not Nothing) says it; `machine` empty reads
// as "localhost", as in the client's HELO.
AlarmMessage AlarmMailFor(const AlarmMessage& alarm, MailDecision due, const std::wstring& machine,
                          int64_t reminderSeconds);

// "less than a minute", "1 minute", "5 minutes", "1 hour", "26 hours".
std::wstring LastingText(int64_t seconds);

}  // namespace taruk
