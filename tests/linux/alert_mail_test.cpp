// Alert e-mails received by a real SMTP server (python3-aiosmtpd) on a free
// loopback port, reached through the cycle's port seam.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <optional>

#include "core/mail/mail_text.h"
#include "core/monitor/monitoring_cycle.h"
#include "support/aiosmtpd_server.h"
#include "support/recording_platform.h"
#include "support/test_drives.h"

using namespace taruk;

namespace {

using namespace std::chrono_literals;

// The system's local time, and seconds that move only when the test says.
class ScriptedClock : public SystemClock {
 public:
  int64_t seconds = 1000;
  int64_t ElapsedSeconds() override { return seconds; }
};

// What the mails must name: the machine as the system calls it.
std::string HostName() {
  char name[256] = {};
  return gethostname(name, sizeof name - 1) == 0 ? name : "localhost";
}

class AlertMailTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string failure;
    if (!server.Start(failure)) GTEST_SKIP() << "no aiosmtpd to receive the mail: " << failure;
    config.emailAddress = L"admin@example.org";
    config.smtpServer = L"127.0.0.1";
    core.emplace(slots, config, MonitorEnvironment{drives.Opener(), volumes, clock, platform, nullptr, server.Port()},
                 view);
  }

  static std::string Header(const std::string& message, const std::string& name) {
    const size_t at = message.find("\n" + name + ": ");
    if (at == std::string::npos) return {};
    const size_t start = at + name.size() + 3;
    return message.substr(start, message.find('\n', start) - start);
  }

  // The body as stored: the client ends it with a line end and then sends
  // the terminator on a line of its own, so an empty line follows.
  static std::string Body(const std::string& message) {
    const size_t blank = message.find("\n\n");
    return blank == std::string::npos ? std::string() : message.substr(blank + 2);
  }

  // Every listed root has 5 MB free.
  class FiveMegabyteVolumes : public Volumes {
   public:
    std::vector<std::wstring> roots;
    std::vector<std::wstring> Roots() override { return roots; }
    bool FreeBytesAvailable(const std::wstring&, uint64_t& bytes) override {
      bytes = 5'000'000;
      return true;
    }
  };

  AiosmtpdServer server;
  DriveSlots slots = DriveSlots(kDiskButtonCount);
  MonitorConfig config;
  TestDrives drives;
  FiveMegabyteVolumes volumes;
  ScriptedClock clock;
  RecordingPlatform platform;
  MonitorView view;
  std::optional<MonitorCore> core;  // made once the server has its port
};

TEST_F(AlertMailTest, HotDriveMailArrivesWithItsSubjectAndBodyWhole) {
  drives.Set(1, "WDC WD800JB-00JJC0", 60);
  config.temperatureAction = AlarmAction::SendEmail;
  core->RunMonitoringCycle();

  const auto messages = server.Messages();
  ASSERT_EQ(messages.size(), 1u);
  const std::string& message = messages[0];
  const std::string subject = "Taruk - critical temperature reached: HD1 WDC WD800JB-00JJC0 on " + HostName();
  EXPECT_EQ(Header(message, "Subject"), subject);
  EXPECT_EQ(Header(message, "From"), "admin@example.org");
  EXPECT_EQ(Header(message, "X-RcptTo"), "admin@example.org");
  const std::string model = "WDC WD800JB-00JJC0";  // without the drive's padding
  EXPECT_EQ(Body(message), "Critical temperature: 55\n\n HD1: " + model + " current temperature 60 C\n\n" +
                               "Machine: " + HostName() + "\n" +
                               "Taruk mails a reminder every 24 hours while this lasts, and once more when it is "
                               "back to normal.\n\n");

  // The platform hears the server's answer to the mail.
  ASSERT_EQ(platform.calls.size(), 1u);
  const std::wstring sent = L"mail admin@example.org|" + FromWireBytes(subject) + L"|sent|250 ";
  EXPECT_EQ(platform.calls[0].rfind(sent, 0), 0u);
}

// A hot drive over a day and a half of polls: the onset, one reminder a day
// later, and one mail when it has cooled; the other drive's and the volume's
// conditions mail on their own.
TEST_F(AlertMailTest, AConditionMailsAtOnsetOncePerDayAndWhenItIsOver) {
  config.temperatureAction = AlarmAction::SendEmail;
  config.freeSpaceAction = AlarmAction::SendEmail;
  config.minimumFreeSpace = 5;
  volumes.roots = {L"/srv/data"};
  drives.Set(1, "WDC WD800JB-00JJC0", 60);
  drives.Set(2, "ST3160023A", 40);
  const std::string host = HostName();
  const struct {
    int64_t at;
    uint8_t hd1;  // HD1's temperature
    uint8_t hd2;
    std::vector<std::string> subjects;  // of the mails this poll sends
  } polls[] = {
      {0,
       60,
       40,
       {"Taruk - critical temperature reached: HD1 WDC WD800JB-00JJC0 on " + host,
        "Taruk - minimum disk space reached: /srv/data on " + host}},
      {60, 61, 40, {}},
      {7200, 60, 56, {"Taruk - critical temperature reached: HD2 ST3160023A on " + host}},
      {86399, 60, 56, {}},
      {86400,
       60,
       56,
       {"Taruk - critical temperature reached: HD1 WDC WD800JB-00JJC0 on " + host + " (reminder)",
        "Taruk - minimum disk space reached: /srv/data on " + host + " (reminder)"}},
      {90000, 45, 56, {"Taruk - temperature back to normal: HD1 WDC WD800JB-00JJC0 on " + host}},
      {90060, 45, 56, {}},
  };
  // Mails of one poll may be stored within the same second, in either order.
  std::map<std::string, std::string> bySubject;
  for (const auto& poll : polls) {
    SCOPED_TRACE(testing::Message() << "poll at " << poll.at << " s");
    clock.seconds = 1000 + poll.at;
    drives.Set(1, "WDC WD800JB-00JJC0", poll.hd1);
    drives.Set(2, "ST3160023A", poll.hd2);
    core->RunMonitoringCycle();
    std::vector<std::string> subjects;
    for (const std::string& message : server.Messages()) {
      const std::string subject = Header(message, "Subject");
      if (bySubject.emplace(subject, message).second) subjects.push_back(subject);
      EXPECT_NE(Body(message).find("\nMachine: " + host + "\n"), std::string::npos) << message;
    }
    std::sort(subjects.begin(), subjects.end());
    std::vector<std::string> expected = poll.subjects;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(subjects, expected);
  }
  EXPECT_EQ(server.Messages().size(), 6u);
  const std::string reminder =
      bySubject["Taruk - critical temperature reached: HD1 WDC WD800JB-00JJC0 on " + host + " (reminder)"];
  EXPECT_NE(Body(reminder).find("current temperature 60 C\n\nMachine: " + host + "\nStill so after 24 hours. "),
            std::string::npos)
      << reminder;
  const std::string normal = bySubject["Taruk - temperature back to normal: HD1 WDC WD800JB-00JJC0 on " + host];
  EXPECT_NE(Body(normal).find("current temperature 45 C\n\nMachine: " + host + "\nBack to normal after 25 hours.\n"),
            std::string::npos)
      << normal;
}

TEST_F(AlertMailTest, SoundActionSendsNoMail) {
  drives.Set(0, "HOT", 70);
  config.temperatureAction = AlarmAction::PlaySound;
  core->RunMonitoringCycle();
  EXPECT_TRUE(server.Messages().empty());
  ASSERT_EQ(platform.calls.size(), 1u);
  EXPECT_EQ(platform.calls[0].rfind(L"sound ", 0), 0u);
}

}  // namespace
