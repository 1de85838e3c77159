#pragma once
// Alert e-mails go out on a thread of their own: a mail server that is slow
// or says nothing holds each step up to its time-out (a minute a reply), and
// the monitoring cycle must keep its interval whatever the server does. One
// sender takes the mails in the order they were posted, one at a time, with
// the client's own time-outs. The window's test e-mail does not come here:
// the user waits for its answer.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "core/alarm/alarm_dispatch.h"
#include "core/alarm/alarm_texts.h"
#include "core/alarm/alert_platform.h"
#include "core/base/stop_request.h"

namespace taruk {

class AlarmMailQueue {
 public:
  // Mails waiting behind the one being sent. A server that never answers
  // takes a mail every minute or two while the cycle may post several a
  // tick; beyond this the oldest waiting mail is dropped and reported.
  static constexpr size_t kMostWaiting = 16;

  // `platform` hears how each mail went (MailFinished), from the sender's
  // thread or the poster's, one call at a time.
  explicit AlarmMailQueue(AlertPlatform& platform, size_t mostWaiting = kMostWaiting);
  // Stop().
  ~AlarmMailQueue();
  AlarmMailQueue(const AlarmMailQueue&) = delete;
  AlarmMailQueue& operator=(const AlarmMailQueue&) = delete;

  // Queues the mail and returns at once. The sender starts with the first.
  void Post(const AlarmMessage& message, const AlarmMailSettings& mail);

  // Ends the mail being sent at once ("Stopped: the monitor is ending"),
  // reports the waiting ones as not sent, and ends the sender. Later posts
  // are reported as not sent too.
  void Stop();

 private:
  struct Mail {
    AlarmMessage message;
    AlarmMailSettings settings;
  };

  void Run();
  void Report(const Mail& mail, bool sent, const std::wstring& detail);

  AlertPlatform& platform;
  const size_t mostWaiting;
  // Ends the sender's waits on the server; raised by Stop().
  const StopSignal stopSignal;
  std::mutex reporting;
  std::mutex lock;
  std::condition_variable changed;
  std::deque<Mail> waiting;
  bool stopping = false;
  std::thread sender;
};

}  // namespace taruk
