// The power actions and balloons as a Linux machine carries them out:
// systemd-logind and a notification daemon, both python3-dbusmock on private
// buses started by the test, reached through taruk-dbus.so as the headless
// monitor reaches them (no Qt in the caller).

#include "desktop/desktop_alert_platform.h"

#include <gtest/gtest.h>

#include <sstream>

#include "core/alarm/alarm_dispatch.h"
#include "support/private_buses.h"

using namespace taruk;

namespace {

// The platform as the window or the headless monitor uses it, with the error
// box and the announced power requests written down.
class ErrorRecordingPlatform : public DesktopAlertPlatform {
 public:
  std::vector<std::wstring> errors;
  std::vector<PowerAction> announced;
  void ShowSystemError(const std::wstring& text) override { errors.push_back(text); }

 protected:
  void PowerRequestGoingOut(PowerAction action) override { announced.push_back(action); }
};

class DesktopPlatformTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    buses = new PrivateBuses;
    buses->Start(problem);
  }
  static void TearDownTestSuite() {
    delete buses;
    buses = nullptr;
  }
  void SetUp() override {
    if (!problem.empty()) GTEST_SKIP() << problem;
  }

  void StartLogind(const std::string& parameters = "{}") {
    ASSERT_TRUE(logind.Start(buses->Folder(), "logind", parameters));
  }

  void Alarm(AlarmAction action) {
    AlarmMessage message{L"HD0: TEST Critical temperature reached (55 \u00B0C)", L"subject", L"body", L"", false};
    CarryOutAlarm(action, message, {}, platform);
  }

  static inline PrivateBuses* buses = nullptr;
  static inline std::string problem;
  MockService logind, notifications;
  ErrorRecordingPlatform platform;
};

TEST_F(DesktopPlatformTest, PowerActionsAskLogindFirstAndNeverInteractively) {
  StartLogind();
  Alarm(AlarmAction::ShutDown);
  Alarm(AlarmAction::Suspend);
  Alarm(AlarmAction::Hibernate);
  // The privilege step asks, the action asks again right before its request.
  EXPECT_EQ(logind.Calls(),
            "CanPowerOff\nCanPowerOff\nPowerOff False\n"
            "CanSuspend\nCanSuspend\nSuspend False\n"
            "CanHibernate\nCanHibernate\nHibernate False\n");
  EXPECT_TRUE(platform.errors.empty());
  EXPECT_EQ(platform.announced,
            (std::vector<PowerAction>{PowerAction::ShutDown, PowerAction::Suspend, PowerAction::Hibernate}));
}

TEST_F(DesktopPlatformTest, RefusedOrUnavailableActionIsReportedOnceAndNotRequested) {
  StartLogind(R"({"CanHibernate": "no", "CanSuspend": "na", "CanPowerOff": "challenge"})");
  Alarm(AlarmAction::Hibernate);
  Alarm(AlarmAction::Suspend);
  EXPECT_EQ(logind.Calls(), "CanHibernate\nCanHibernate\nCanSuspend\nCanSuspend\n");
  EXPECT_EQ(platform.errors, (std::vector<std::wstring>{
                                 L"This program is not allowed to hibernate the system (systemd-logind answers \"no\")",
                                 L"This machine cannot suspend the system (systemd-logind answers \"na\")"}));
  // The headless log must not claim an action that never went out.
  EXPECT_TRUE(platform.announced.empty());
  // "challenge" goes ahead: polkit, not we, decides and gives its reason.
  Alarm(AlarmAction::ShutDown);
  EXPECT_NE(logind.Calls().find("PowerOff False"), std::string::npos);
}

TEST_F(DesktopPlatformTest, NoLogindOnTheBusIsReported) {
  Alarm(AlarmAction::ShutDown);
  ASSERT_EQ(platform.errors.size(), 1u);
  EXPECT_EQ(platform.errors[0].rfind(L"systemd-logind: CanPowerOff: ", 0), 0u) << platform.errors[0].c_str();
  EXPECT_TRUE(platform.announced.empty());
}

TEST_F(DesktopPlatformTest, BalloonIsANotificationTitledTarukThatTheNextOneReplaces) {
  ASSERT_TRUE(notifications.Start(buses->Folder(), "notification_daemon"));
  Alarm(AlarmAction::ShowNotification);
  platform.ShowBalloon(L"Taruk", L"Disk /mnt/<new> & old: Minimum disk free space reached!", 5000);
  // The daemon reads markup, so a '<' or '&' of a path is escaped to show as
  // written.
  EXPECT_EQ(notifications.Calls(),
            "GetCapabilities\n"
            "Notify \"Taruk\" 0 \"\" \"Taruk\" \"HD0: TEST Critical temperature reached (55 \u00B0C)\" [] {} 5000\n"
            "GetCapabilities\n"
            "Notify \"Taruk\" 1 \"\" \"Taruk\" \"Disk /mnt/&lt;new&gt; &amp; old: Minimum disk free space "
            "reached!\" [] {} 5000\n");
}

// Each alarm of each drive is one notification that replaces only its own
// earlier one; a drive at risk is a critical warning that stays until it is
// dismissed, a full volume an ordinary notification.
TEST_F(DesktopPlatformTest, AlarmNotificationsReplaceOnlyTheirOwnTopicAndWarnAtCriticalUrgency) {
  ASSERT_TRUE(notifications.Start(buses->Folder(), "notification_daemon"));
  DriveSlot slot;
  slot.model = L"ST3160023A                              ";
  DriveHealth caution;
  caution.verdict = HealthVerdict::Caution;
  caution.reasons.push_back({L"3 pending sectors"});
  const AlarmMessage alarms[] = {
      TemperatureAlarmMessage(1, slot, 55), TemperatureAlarmMessage(2, slot, 55), HealthAlarmMessage(1, slot, caution),
      TemperatureAlarmMessage(1, slot, 55), FreeSpaceAlarmMessage(L"/srv", 1, 2),
  };
  for (const AlarmMessage& alarm : alarms) CarryOutAlarm(AlarmAction::ShowNotification, alarm, {}, platform);
  std::string notifies;
  std::istringstream calls(notifications.Calls());
  for (std::string line; std::getline(calls, line);) {
    if (line.rfind("Notify ", 0) == 0) notifies += line + "\n";
  }
  // The daemon numbers its notifications from 1; the fourth replaces the
  // first (the same drive's temperature), nothing else replaces anything.
  EXPECT_EQ(
      notifies,
      "Notify \"Taruk\" 0 \"dialog-warning\" \"Taruk\" \"HD1: ST3160023A Critical temperature reached (55 \u00B0C)\" "
      "[] "
      "{\"urgency\": 2} 0\n"
      "Notify \"Taruk\" 0 \"dialog-warning\" \"Taruk\" \"HD2: ST3160023A Critical temperature reached (55 \u00B0C)\" "
      "[] "
      "{\"urgency\": 2} 0\n"
      "Notify \"Taruk\" 0 \"dialog-warning\" \"Taruk\" \"HD1: ST3160023A health: caution (3 pending sectors)\" [] "
      "{\"urgency\": 2} 0\n"
      "Notify \"Taruk\" 1 \"dialog-warning\" \"Taruk\" \"HD1: ST3160023A Critical temperature reached (55 \u00B0C)\" "
      "[] "
      "{\"urgency\": 2} 0\n"
      "Notify \"Taruk\" 0 \"\" \"Taruk\" \"Disk /srv: Minimum disk free space reached! Current free space 1 Mb, "
      "minimum 2 Mb\" [] {} 5000\n");
}

TEST_F(DesktopPlatformTest, BalloonWithoutANotificationDaemonShowsNothingAndReportsNothing) {
  Alarm(AlarmAction::ShowNotification);
  EXPECT_TRUE(platform.errors.empty());
}

}  // namespace
