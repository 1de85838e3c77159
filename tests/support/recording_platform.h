#pragma once
// An alert platform that carries out nothing and writes down every call, in
// order, as one line each ("balloon Taruk|TEXT|5000", "privilege shutdown",
// "shutdown", "sound PATH", "error TEXT", "mail ADDRESS|SUBJECT|sent|DETAIL").
// A test can hook a call to look at the world at that moment.

#include <functional>
#include <string>
#include <vector>

#include "core/alarm/alert_platform.h"

namespace taruk {

class RecordingPlatform : public AlertPlatform {
 public:
  std::vector<std::wstring> calls;
  // What PlaySoundFile answers.
  bool soundPlays = true;
  std::wstring soundFailure = L"alarm.wav: No such file or directory";
  // Runs inside every call, after it was written down.
  std::function<void()> onCall;

  void ShowBalloon(const std::wstring& title, const std::wstring& text, int timeoutMs) override;
  bool EnableShutdownPrivilege(PowerAction action) override;
  void ShutDown() override;
  void Suspend() override;
  void Hibernate() override;
  bool PlaySoundFile(const std::wstring& path, std::wstring& failure) override;
  void ShowSystemError(const std::wstring& text) override;
  void MailFinished(const std::wstring& recipient, const std::wstring& subject, bool sent,
                    const std::wstring& detail) override;

 private:
  void Record(std::wstring call);
};

}  // namespace taruk
