#include "core/alarm/alarm_mail_queue.h"

namespace taruk {

namespace {

const wchar_t* const kDropped = L"dropped: too many e-mails were waiting for the mail server";
const wchar_t* const kStopped = L"Stopped: the monitor is ending";

}  // namespace

AlarmMailQueue::AlarmMailQueue(AlertPlatform& platform, size_t mostWaiting)
    : platform(platform), mostWaiting(mostWaiting), stopSignal(MakeStopSignal()) {}

AlarmMailQueue::~AlarmMailQueue() {
  Stop();
  CloseStopSignal(stopSignal);
}

void AlarmMailQueue::Post(const AlarmMessage& message, const AlarmMailSettings& mail) {
  Mail posted{message, mail};
  posted.settings.queue = nullptr;
  posted.settings.stopFd = stopSignal;
  std::unique_lock<std::mutex> held(lock);
  if (stopping) {
    held.unlock();
    Report(posted, false, kStopped);
    return;
  }
  waiting.push_back(std::move(posted));
  std::deque<Mail> dropped;
  while (waiting.size() > mostWaiting) {
    dropped.push_back(std::move(waiting.front()));
    waiting.pop_front();
  }
  if (!sender.joinable()) sender = std::thread([this] { Run(); });
  held.unlock();
  changed.notify_one();
  for (const Mail& mail : dropped) Report(mail, false, kDropped);
}

void AlarmMailQueue::Stop() {
  std::deque<Mail> dropped;
  {
    const std::lock_guard<std::mutex> held(lock);
    if (stopping) return;
    stopping = true;
    dropped.swap(waiting);
  }
  RaiseStopSignal(stopSignal);
  changed.notify_one();
  if (sender.joinable()) sender.join();
  for (const Mail& mail : dropped) Report(mail, false, kStopped);
}

void AlarmMailQueue::Run() {
  for (;;) {
    std::unique_lock<std::mutex> held(lock);
    changed.wait(held, [this] { return stopping || !waiting.empty(); });
    if (stopping) return;
    const Mail mail = std::move(waiting.front());
    waiting.pop_front();
    held.unlock();
    const AlarmMailOutcome outcome = SendAlarmMailNow(mail.message, mail.settings);
    Report(mail, outcome.sent, outcome.detail);
  }
}

void AlarmMailQueue::Report(const Mail& mail, bool sent, const std::wstring& detail) {
  const std::lock_guard<std::mutex> held(reporting);
  platform.MailFinished(mail.settings.emailAddress, mail.message.subject, sent, detail);
  if (mail.settings.finished) mail.settings.finished(sent);
}

}  // namespace taruk
