#include "support/recording_platform.h"

namespace taruk {

void RecordingPlatform::Record(std::wstring call) {
  calls.push_back(std::move(call));
  if (onCall) onCall();
}

void RecordingPlatform::ShowBalloon(const std::wstring& title, const std::wstring& text, int timeoutMs) {
  Record(L"balloon " + title + L"|" + text + L"|" + std::to_wstring(timeoutMs));
}

bool RecordingPlatform::EnableShutdownPrivilege(PowerAction action) {
  const wchar_t* names[] = {L"shutdown", L"suspend", L"hibernate"};
  Record(std::wstring(L"privilege ") + names[static_cast<int>(action)]);
  return true;
}

void RecordingPlatform::ShutDown() { Record(L"shutdown"); }
void RecordingPlatform::Suspend() { Record(L"suspend"); }
void RecordingPlatform::Hibernate() { Record(L"hibernate"); }

bool RecordingPlatform::PlaySoundFile(const std::wstring& path, std::wstring& failure) {
  Record(L"sound " + path);
  if (!soundPlays) failure = soundFailure;
  return soundPlays;
}

void RecordingPlatform::ShowSystemError(const std::wstring& text) { Record(L"error " + text); }

void RecordingPlatform::MailFinished(const std::wstring& recipient, const std::wstring& subject, bool sent,
                                     const std::wstring& detail) {
  Record(L"mail " + recipient + L"|" + subject + L"|" + (sent ? L"sent" : L"failed") + L"|" + detail);
}

}  // namespace taruk
