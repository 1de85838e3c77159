#include "core/alarm/alarm_texts.h"

namespace taruk {

namespace {

std::wstring Cut(std::wstring text) {
  if (text.size() > kBalloonTextLimit) text.resize(kBalloonTextLimit);
  return text;
}

// The model without the spaces the drive pads it with.
std::wstring TrimmedModel(const DriveSlot& slot) { return ShownText(slot.model); }

std::wstring DrivePlace(int driveIndex, const DriveSlot& slot) {
  const std::wstring model = TrimmedModel(slot);
  return L"HD" + std::to_wstring(driveIndex) + (model.empty() ? L"" : L" " + model);
}

}  // namespace

AlarmMessage TemperatureAlarmMessage(int driveIndex, const DriveSlot& slot, int32_t criticalTemperature) {
  // The model without its padding: 31 spaces in a mail line read as a fault.
  const std::wstring drive = L"HD" + std::to_wstring(driveIndex) + L": " + TrimmedModel(slot);
  const std::wstring critical = std::to_wstring(criticalTemperature);
  AlarmMessage message;
  message.balloonText = Cut(L"HD" + std::to_wstring(driveIndex) + L": " + TrimmedModel(slot) +
                            L" Critical temperature reached (" + critical + L" \u00B0C)");
  message.subject = L"Taruk - critical temperature reached";
  message.topic = L"temperature HD" + std::to_wstring(driveIndex);
  message.warning = true;
  message.place = DrivePlace(driveIndex, slot);
  message.normalSubject = L"Taruk - temperature back to normal";
  // The drive line starts with a space and gives the unit as a plain "C".
  message.body = L"Critical temperature: " + critical + L"\r\n\r\n " + drive + L" current temperature " +
                 std::to_wstring(slot.temperature) + L" C";
  return message;
}

AlarmMessage FreeSpaceAlarmMessage(const std::wstring& rootPath, uint32_t freeMb, uint32_t minimumFreeSpace) {
  const std::wstring current = std::to_wstring(freeMb);
  const std::wstring minimum = std::to_wstring(minimumFreeSpace);
  AlarmMessage message;
  message.balloonText = Cut(L"Disk " + rootPath + L": Minimum disk free space reached! Current free space " + current +
                            L" Mb, minimum " + minimum + L" Mb");
  message.subject = L"Taruk - minimum disk space reached";
  message.topic = L"free space " + rootPath;
  message.place = rootPath;
  message.normalSubject = L"Taruk - disk space back to normal";
  message.body = L"Disk " + rootPath + L": current space " + current + L" Mb, minimum space " + minimum + L" Mb";
  return message;
}

std::wstring DriveHealthLine(int driveIndex, const DriveSlot& slot, const DriveHealth& health) {
  std::wstring line = L"HD" + std::to_wstring(driveIndex) + L": " + TrimmedModel(slot) + L" health: " +
                      HealthVerdictText(health.verdict);
  if (!health.reasons.empty()) line += L" (" + health.reasons.front().text + L")";
  return line;
}

AlarmMessage HealthAlarmMessage(int driveIndex, const DriveSlot& slot, const DriveHealth& health) {
  AlarmMessage message;
  message.balloonText = Cut(DriveHealthLine(driveIndex, slot, health));
  message.subject = L"Taruk - drive health worsened";
  message.topic = L"health HD" + std::to_wstring(driveIndex);
  message.warning = true;
  message.place = DrivePlace(driveIndex, slot);
  message.normalSubject = L"Taruk - drive health back to normal";
  message.body = L"HD" + std::to_wstring(driveIndex) + L": " + TrimmedModel(slot) + L" health: " +
                 HealthVerdictText(health.verdict) + L"\r\n";
  for (const HealthReason& reason : health.reasons) message.body += L"\r\n " + reason.text;
  return message;
}

}  // namespace taruk
