#include "core/alarm/alarm_mail_schedule.h"

#include <gtest/gtest.h>

#include "core/alarm/alarm_mail_texts.h"

using namespace taruk;

namespace {

constexpr int64_t kHour = 3600;
constexpr int64_t kDay = 24 * kHour;

// One look of the monitor's cycle, on a scripted clock.
struct Look {
  int64_t at;
  const wchar_t* condition;
  bool holds;
  MailDue due;
  int64_t lasting = 0;
  bool mailing = true;
};

void LookAll(AlarmMailSchedule& schedule, const std::vector<Look>& looks) {
  for (size_t i = 0; i < looks.size(); ++i) {
    const Look& look = looks[i];
    SCOPED_TRACE(testing::Message() << "look " << i << " at " << look.at << " s, " << look.condition);
    const MailDecision decision = schedule.Look(look.condition, look.holds, look.mailing, look.at);
    EXPECT_EQ(decision.due, look.due);
    if (look.due != MailDue::Nothing) {
      EXPECT_EQ(decision.lastingSeconds, look.lasting);
    }
  }
}

TEST(AlarmMailScheduleTest, OnceAtOnsetThenOncePerPeriodThenOnceWhenOverEachDriveOnItsOwn) {
  AlarmMailSchedule schedule;
  const wchar_t* hd0 = L"temperature HD0";
  const wchar_t* hd1 = L"temperature HD1";
  const wchar_t* full = L"free space /srv";
  LookAll(schedule, {
                        {0, hd0, false, MailDue::Nothing},  // never began: no "back to normal"
                        {60, hd0, true, MailDue::Onset, 0},
                        // Another drive and a volume begin meanwhile: their own onsets, not
                        // held back by HD0's.
                        {70, hd1, true, MailDue::Onset, 0},
                        {80, full, true, MailDue::Onset, 0},
                        {120, hd0, true, MailDue::Nothing},  // every poll within the day is quiet
                        {60 + kDay - 1, hd0, true, MailDue::Nothing},
                        {60 + kDay, hd0, true, MailDue::Reminder, kDay},
                        {60 + kDay + 60, hd0, true, MailDue::Nothing},
                        {60 + 2 * kDay, hd0, true, MailDue::Reminder, 2 * kDay},
                        // HD1 cools: once, with how long it lasted; HD0 goes on as it was.
                        {2 * kDay + 70, hd1, false, MailDue::Clear, 2 * kDay},
                        {2 * kDay + 130, hd1, false, MailDue::Nothing},
                        {60 + 3 * kDay, hd0, true, MailDue::Reminder, 3 * kDay},
                        // Hot again later: a new onset, counted from now.
                        {5 * kDay, hd1, true, MailDue::Onset, 0},
                        {5 * kDay + kDay, hd1, true, MailDue::Reminder, kDay},
                    });

  // A restart: a new schedule knows nothing, so a condition that still holds
  // is mailed as new, and one already over is not mailed at all.
  AlarmMailSchedule restarted;
  LookAll(restarted, {
                         {10, hd0, true, MailDue::Onset, 0},
                         {20, full, false, MailDue::Nothing},
                         {30, hd0, true, MailDue::Nothing},
                     });
}

TEST(AlarmMailScheduleTest, ThePeriodIsASettingAndZeroMeansNoReminders) {
  AlarmMailSchedule schedule;
  schedule.SetReminderSeconds(kHour);
  LookAll(schedule, {{0, L"c", true, MailDue::Onset, 0}, {kHour, L"c", true, MailDue::Reminder, kHour}});
  schedule.SetReminderSeconds(0);
  LookAll(schedule,
          {{100 * kDay, L"c", true, MailDue::Nothing}, {100 * kDay + 1, L"c", false, MailDue::Clear, 100 * kDay + 1}});

  SideSettings side;
  std::string error;
  const struct {
    const char* file;
    int64_t seconds;
  } settings[] = {
      {"", kDay},
      {"[mail]\nreminder-hours = 6\n", 6 * kHour},
      {"[mail]\nreminder-hours = 0\n", 0},
      {"[mail]\nreminder-hours = -1\n", kDay},
      {"[mail]\nreminder-hours = 99999999\n", kDay},
      {"[mail]\nreminder-hours = \"6\"\n", kDay},
  };
  for (const auto& s : settings) {
    ASSERT_TRUE(ParseSideSettings(s.file, side, error)) << error;
    EXPECT_EQ(ReadMailReminderSeconds(side), s.seconds) << s.file;
  }
}

TEST(AlarmMailScheduleTest, AMailThatFailedGoesAgainAndOtherActionsKeepNoSchedule) {
  AlarmMailSchedule schedule;
  LookAll(schedule, {{0, L"c", true, MailDue::Onset, 0}});
  schedule.Failed(L"c");
  LookAll(schedule, {{60, L"c", true, MailDue::Onset, 60}, {120, L"c", true, MailDue::Nothing}});
  LookAll(schedule, {{60 + kDay, L"c", true, MailDue::Reminder, kDay + 60}});
  schedule.Failed(L"c");
  LookAll(schedule,
          {{120 + kDay, L"c", true, MailDue::Reminder, kDay + 120}, {180 + kDay, L"c", true, MailDue::Nothing}});

  // While the balloon is chosen nothing is mailed, and an end then is
  // forgotten: the e-mail, chosen afterwards, hears of the next onset.
  LookAll(schedule, {{200 + kDay, L"c", true, MailDue::Nothing, 0, false},
                     {300 + kDay, L"c", false, MailDue::Nothing, 0, false},
                     {400 + kDay, L"c", true, MailDue::Onset, 0}});
  // Begun under the balloon, then the e-mail chosen: its onset then.
  LookAll(schedule, {{0, L"d", true, MailDue::Nothing, 0, false}, {600, L"d", true, MailDue::Onset, 600}});
  // Forget: a heavier state of the same drive is news.
  schedule.Forget(L"d");
  LookAll(schedule, {{700, L"d", true, MailDue::Onset, 0}});
}

TEST(AlarmMailTextsTest, TheMailNamesTheMachineBesideTheDriveAndSaysWhatItIs) {
  DriveSlot slot;
  slot.model = L"ST3160023A                              ";
  slot.temperature = 60;
  const AlarmMessage alarm = TemperatureAlarmMessage(1, slot, 55);
  const std::wstring body = alarm.body + L"\r\n\r\nMachine: pc7\r\n";
  const std::wstring every =
      L"Taruk mails a reminder every 24 hours while this lasts, and once more when it is back to normal.";
  const struct {
    MailDecision due;
    const wchar_t* host;
    int64_t reminder;
    std::wstring subject;
    std::wstring bodyEnd;
  } cases[] = {
      {{MailDue::Onset, 0}, L"pc7", kDay, L"Taruk - critical temperature reached: HD1 ST3160023A on pc7", every},
      {{MailDue::Reminder, kDay + 59},
       L"pc7",
       kDay,
       L"Taruk - critical temperature reached: HD1 ST3160023A on pc7 (reminder)",
       L"Still so after 24 hours. " + every},
      {{MailDue::Clear, 59},
       L"pc7",
       kDay,
       L"Taruk - temperature back to normal: HD1 ST3160023A on pc7",
       L"Back to normal after less than a minute."},
      {{MailDue::Clear, 3599},
       L"pc7",
       kDay,
       L"Taruk - temperature back to normal: HD1 ST3160023A on pc7",
       L"Back to normal after 59 minutes."},
      {{MailDue::Onset, 0},
       L"pc7",
       0,
       L"Taruk - critical temperature reached: HD1 ST3160023A on pc7",
       L"Taruk mails once more when this is back to normal."},
      {{MailDue::Reminder, kHour},
       L"pc7",
       kHour,
       L"Taruk - critical temperature reached: HD1 ST3160023A on pc7 (reminder)",
       L"Still so after 1 hour. Taruk mails a reminder every 1 hour while this lasts, and once more when it is back to "
       L"normal."},
  };
  for (const auto& c : cases) {
    const AlarmMessage mail = AlarmMailFor(alarm, c.due, c.host, c.reminder);
    EXPECT_EQ(mail.subject, c.subject);
    EXPECT_EQ(mail.body, body + c.bodyEnd);
  }
  // A machine without a name is "localhost", as in the client's HELO; a
  // volume is named by its root.
  const AlarmMessage volume = AlarmMailFor(FreeSpaceAlarmMessage(L"C:\\", 1, 2), {MailDue::Clear, 0}, L"", kDay);
  EXPECT_EQ(volume.subject, L"Taruk - disk space back to normal: C:\\ on localhost");
  EXPECT_EQ(volume.body.rfind(L"Disk C:\\: current space 1 Mb, minimum space 2 Mb\r\n\r\nMachine: localhost\r\n", 0),
            0u);
}

}  // namespace
