// Alert e-mails leave the monitoring cycle: against a mail server that
// accepts the connection and then says nothing, cycles keep coming (each
// would otherwise wait a minute or more per mail), the queue stays bounded,
// and the stop request ends the mail on its way at once.
#include "core/alarm/alarm_mail_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "core/monitor/monitoring_cycle.h"
#include "support/quiet_machine.h"
#include "support/recording_platform.h"
#include "support/scripted_server.h"
#include "support/test_drives.h"

using namespace taruk;
using namespace std::chrono_literals;

namespace {

TEST(AlarmMailQueue, CyclesKeepTheirPaceWhileTheMailServerSaysNothing) {
  ScriptedServer silent;  // accepts one connection and never answers
  ASSERT_TRUE(silent.Start());
  TestDrives drives;
  for (int n = 0; n < 4; ++n) drives.Set(n, "HOT " + std::to_string(n), 60);
  NoVolumes volumes;
  FixedClock clock;
  RecordingPlatform platform;
  DriveSlots slots(kDiskButtonCount);
  MonitorConfig config;
  config.temperatureAction = AlarmAction::SendEmail;
  config.smtpServer = L"127.0.0.1";
  MonitorCore core(slots, config, {drives.Opener(), volumes, clock, platform, nullptr, silent.Port()});
  auto queue = std::make_unique<AlarmMailQueue>(platform, 4);
  core.HandMailTo(queue.get());

  // Three cycles of four hot drives: four mails, one per drive at its onset
  // (alarm_mail_schedule.h). Each cycle's history step counts it; within the
  // cycle a mail only waits in the queue.
  auto cycles = std::async(std::launch::async, [&] {
    for (int cycle = 1; cycle <= 3; ++cycle) {
      clock.minute = cycle;
      core.RunMonitoringCycle();
    }
  });
  ASSERT_EQ(cycles.wait_for(20s), std::future_status::ready) << "a cycle waited for the mail server";
  for (const DriveSlot& slot : slots) {
    EXPECT_EQ(slot.minuteHistory[0], 60u);
    EXPECT_EQ(slot.minuteHistory[2], 60u);
  }
  for (int i = 0; i < 200 && !silent.Accepted(); ++i) std::this_thread::sleep_for(50ms);
  ASSERT_TRUE(silent.Accepted()) << "the sender never reached the server";

  // Eight more mails than the queue holds, posted at once:
  // the oldest waiting ones are dropped and reported.
  AlarmMailSettings settings{L"taruk@example.invalid", L"127.0.0.1", silent.Port()};
  AlarmMessage message;
  message.subject = L"Taruk - critical temperature reached";
  for (int n = 0; n < 8; ++n) queue->Post(message, settings);

  // The mail on its way waits a minute for the greeting: the stop ends it
  // at once, and the waiting ones with it.
  auto stopped = std::async(std::launch::async, [&] { queue.reset(); });
  ASSERT_EQ(stopped.wait_for(10s), std::future_status::ready) << "the stop did not end the pending send";
  ASSERT_EQ(platform.calls.size(), 12u);
  size_t dropped = 0;
  size_t ended = 0;
  for (const std::wstring& call : platform.calls) {
    const std::wstring start = L"mail taruk@example.invalid|Taruk - critical temperature reached";
    ASSERT_EQ(call.rfind(start, 0), 0u) << call;
    const std::wstring detail = call.substr(call.find(L"|failed|") + 8);
    if (detail == L"dropped: too many e-mails were waiting for the mail server") ++dropped;
    if (detail == L"Stopped: the monitor is ending") ++ended;
  }
  // One on its way, four waiting behind it; the rest dropped.
  EXPECT_EQ(dropped + ended, 12u);
  EXPECT_EQ(dropped, 7u);
  silent.Finish();
}

}  // namespace
