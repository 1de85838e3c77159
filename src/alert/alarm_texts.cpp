#include "alert/alarm_texts.h"

namespace {

std::wstring Cut(std::wstring text) {
  if (text.size() > kBalloonTextLimit) text.resize(kBalloonTextLimit);
  return text;
}

}  // namespace

AlarmMessage TemperatureAlarmMessage(int driveIndex, const DriveSlot& slot, int32_t criticalTemperature) {
  const std::wstring drive = L"HD" + std::to_wstring(driveIndex) + L": " + slot.model;
  const std::wstring critical = std::to_wstring(criticalTemperature);
  AlarmMessage message;
  message.balloonText = Cut(drive + L" Critical temperature reached (" + critical + L" \u00B0C)");
  message.subject = L"Taruk - critical temperature reached";
  // The drive line starts with a space and gives the unit as a plain "C".
  message.body = L"Critical temperature: " + critical + L"\r\n\r\n " + drive + L" current temperature " +
                 std::to_wstring(slot.temperature) + L" C";
  return message;
}

AlarmMessage FreeSpaceAlarmMessage(const std::wstring& rootPath, uint32_t freeMb, uint32_t minimumFreeSpace) {
  const std::wstring current = std::to_wstring(freeMb);
  const std::wstring minimum = std::to_wstring(minimumFreeSpace);
  AlarmMessage message;
  message.balloonText = Cut(L"Disk " + rootPath + L": Minimum disk free space reached! Current free space " +
                            current + L" Mb, minimum " + minimum + L" Mb");
  message.subject = L"Taruk - minimum disk space reached";
  message.body = L"Disk " + rootPath + L": current space " + current + L" Mb, minimum space " + minimum + L" Mb";
  return message;
}
