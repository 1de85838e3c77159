#pragma once
// What an alarm says: the balloon text, and the subject and body of its
// e-mail. The temperature balloon gives the critical temperature, not the
// drive's current one; the e-mail gives both.

#include <cstdint>
#include <string>

#include "core/drive/drive_health.h"
#include "core/drive/drive_slot.h"

namespace taruk {

struct AlarmMessage {
  std::wstring balloonText;  // already cut to kBalloonTextLimit
  std::wstring subject;
  std::wstring body;
  std::wstring topic;    // which alarm of which drive or volume (AlarmBalloon)
  bool warning = false;  // a drive at risk: temperature and health
  // For the e-mail's subject: the drive ("HD1 ST3160023A") or the volume,
  // and the subject once the condition is over.
  std::wstring place = {};
  std::wstring normalSubject = {};
};

inline constexpr const wchar_t* kBalloonTitle = L"Taruk";
inline constexpr int kBalloonTimeoutMs = 5000;
// The notification area keeps at most this many characters of a balloon text.
inline constexpr size_t kBalloonTextLimit = 255;

AlarmMessage TemperatureAlarmMessage(int driveIndex, const DriveSlot& slot, int32_t criticalTemperature);
AlarmMessage FreeSpaceAlarmMessage(const std::wstring& rootPath, uint32_t freeMb, uint32_t minimumFreeSpace);

// "HD%d: %s health: %s (%s)": number, model without its padding, verdict and
// the first reason (the parentheses left out when there is none).
std::wstring DriveHealthLine(int driveIndex, const DriveSlot& slot, const DriveHealth& health);
// The balloon is DriveHealthLine; the e-mail gives the verdict and every
// reason, one a line.
AlarmMessage HealthAlarmMessage(int driveIndex, const DriveSlot& slot, const DriveHealth& health);

}  // namespace taruk
