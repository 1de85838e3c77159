// Alert e-mails received by a real SMTP server (python3-aiosmtpd) on a free
// loopback port, reached through the cycle's port seam.

#include <gtest/gtest.h>

#include <optional>

#include "core/monitor/monitoring_cycle.h"
#include "support/aiosmtpd_server.h"
#include "support/recording_platform.h"
#include "support/test_drives.h"

using namespace taruk;

namespace {

using namespace std::chrono_literals;

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
  SystemClock clock;
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
  EXPECT_EQ(Header(message, "Subject"), "Taruk - critical temperature reached");
  EXPECT_EQ(Header(message, "From"), "admin@example.org");
  EXPECT_EQ(Header(message, "X-RcptTo"), "admin@example.org");
  const std::string model = "WDC WD800JB-00JJC0" + std::string(40 - 18, ' ');
  EXPECT_EQ(Body(message), "Critical temperature: 55\n\n HD1: " + model + " current temperature 60 C\n\n");

  // The platform hears the server's answer to the mail.
  ASSERT_EQ(platform.calls.size(), 1u);
  const std::wstring sent = L"mail admin@example.org|Taruk - critical temperature reached|sent|250 ";
  EXPECT_EQ(platform.calls[0].rfind(sent, 0), 0u);
}

TEST_F(AlertMailTest, LowVolumeMailArrivesOnEveryCycle) {
  config.freeSpaceAction = AlarmAction::SendEmail;
  config.minimumFreeSpace = 5;
  volumes.roots = {L"/srv/data"};
  core->RunMonitoringCycle();
  core->RunMonitoringCycle();
  const auto messages = server.Messages();
  ASSERT_EQ(messages.size(), 2u);
  for (const std::string& message : messages) {
    EXPECT_EQ(Header(message, "Subject"), "Taruk - minimum disk space reached");
    EXPECT_EQ(Body(message), "Disk /srv/data: current space 5 Mb, minimum space 5 Mb\n\n");
  }
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
