#include "support/scripted_device.h"

#include <cstdio>

namespace taruk {

namespace {

// The rows of the register table: features, sector count, sector number,
// cylinder low, cylinder high, command, cBufferSize.
struct Row {
  const char* kind;
  uint8_t features, count, number, low, high, command;
  uint32_t bufferSize;
};

constexpr Row kRows[] = {
    {"enable", 0xD8, 1, 1, 0x4F, 0xC2, 0xB0, 0},
    {"identify", 0, 1, 1, 0, 0, 0xEC, 512},
    {"identify-packet", 0, 1, 1, 0, 0, 0xA1, 512},
    {"read-data", 0xD0, 1, 1, 0x4F, 0xC2, 0xB0, 512},
    {"read-thresholds", 0xD1, 1, 1, 0x4F, 0xC2, 0xB0, 512},
    {"read-self-test-log", 0xD5, 1, 6, 0x4F, 0xC2, 0xB0, 512},
    {"execute-extended", 0xD4, 0, 2, 0x4F, 0xC2, 0xB0, 0},
};

}  // namespace

RequestBlock ExpectedRequest(const std::string& kind, int position) {
  RequestBlock block{};
  for (const Row& row : kRows) {
    if (kind != row.kind) continue;
    block[0] = static_cast<uint8_t>(row.bufferSize);
    block[1] = static_cast<uint8_t>(row.bufferSize >> 8);
    block[4] = row.features;
    block[5] = row.count;
    block[6] = row.number;
    block[7] = row.low;
    block[8] = row.high;
    block[9] = position % 2 == 0 ? 0xA0 : 0xB0;
    block[10] = row.command;
    block[11] = 0;
    block[12] = static_cast<uint8_t>(position);
  }
  return block;
}

std::optional<uint8_t> ScriptedDevice::DeviceMap() {
  log.push_back("version");
  if (!versionAnswers || refused.count("version")) return std::nullopt;
  return deviceMap;
}

std::optional<DriveGeometry> ScriptedDevice::Geometry() {
  log.push_back("geometry");
  if (!geometryAnswers || refused.count("geometry")) return std::nullopt;
  return DriveGeometry{cylinders, tracksPerCylinder, sectorsPerTrack, bytesPerSector};
}

bool ScriptedDevice::EnableSmart(int position) {
  const std::string name = "enable " + std::to_string(position);
  log.push_back(name);
  return !refused.count(name);
}

std::optional<Page> ScriptedDevice::Answer(const std::string& name) {
  log.push_back(name);
  const auto page = pages.find(name);
  if (refused.count(name) || page == pages.end()) return std::nullopt;
  return page->second;
}

std::optional<Page> ScriptedDevice::Identify(int position, bool packetDevice) {
  return Answer((packetDevice ? "identify-packet " : "identify ") + std::to_string(position));
}

std::optional<Page> ScriptedDevice::SmartData(int position) { return Answer("read-data " + std::to_string(position)); }

std::optional<Page> ScriptedDevice::SmartThresholds(int position) {
  return Answer("read-thresholds " + std::to_string(position));
}

namespace {

std::string WithByte(const char* kind, int position, uint8_t value) {
  char name[48];
  std::snprintf(name, sizeof name, "%s %d 0x%02x", kind, position, value);
  return name;
}

}  // namespace

std::optional<Page> ScriptedDevice::SmartReadLog(int position, uint8_t logAddress) {
  return Answer(WithByte("read-log", position, logAddress));
}

DriveCommandResult ScriptedDevice::SmartExecuteOffline(int position, uint8_t subcommand) {
  const std::string name = WithByte("execute-offline", position, subcommand);
  log.push_back(name);
  return {refused.count(name) ? CommandAnswer::Refused : offlineAnswer, 0, "scripted"};
}

std::optional<uint8_t> ScriptedDevice::CheckPowerMode(int position) {
  log.push_back("power-mode " + std::to_string(position));
  const auto mode = powerModes.find(position);
  if (mode == powerModes.end()) return std::nullopt;
  return mode->second;
}

namespace {

// Copies the script and reports the copy's log back when the pass closes it.
class LoggedDevice : public ScriptedDevice {
 public:
  LoggedDevice(const ScriptedDevice& script, std::vector<std::string>& sink) : ScriptedDevice(script), sink_(sink) {
    log.clear();
  }
  ~LoggedDevice() override {
    sink_ = log;
    if (closedCounter) ++*closedCounter;
  }

 private:
  std::vector<std::string>& sink_;
};

}  // namespace

std::unique_ptr<SmartDevice> ScriptedOpener::Open(int driveNumber) {
  const auto drive = drives.find(driveNumber);
  if (drive == drives.end()) return nullptr;
  lastLog.clear();
  return std::make_unique<LoggedDevice>(drive->second, lastLog);
}

std::unique_ptr<SmartDevice> ScriptedOpener::OpenForPass(int driveNumber, SleepingDrive rule) {
  rules.push_back(rule);
  return Open(driveNumber);
}

}  // namespace taruk
