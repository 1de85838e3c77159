#pragma once
// A drive for tests: answers each request of the reading pass from a script
// and logs what it was asked, in order.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/drive/request_block.h"
#include "core/drive/smart_device.h"

namespace taruk {

class ScriptedDevice : public SmartDevice {
 public:
  // What the drive answers. A request named in `refused` fails; a data
  // request without a page fails too.
  bool versionAnswers = true;
  uint8_t deviceMap = 0x01;
  bool geometryAnswers = true;
  int64_t cylinders = 16383;
  uint32_t tracksPerCylinder = 16;
  uint32_t sectorsPerTrack = 63;
  uint32_t bytesPerSector = 512;
  std::set<std::string> refused;      // "version", "enable 1", "read-data 0", ...
  std::map<std::string, Page> pages;  // "identify 0", "identify-packet 1", "read-data 0", ...
  std::map<int, uint8_t> powerModes;  // CHECK POWER MODE's answer per position; none: it fails
  std::vector<std::string> log;       // one name per request
  int* closedCounter = nullptr;       // counts closes of the devices ScriptedOpener opened from this script

  std::optional<uint8_t> DeviceMap() override;                             // logs "version"
  std::optional<DriveGeometry> Geometry() override;                        // logs "geometry"
  bool EnableSmart(int position) override;                                 // logs "enable P"
  std::optional<Page> Identify(int position, bool packetDevice) override;  // "identify P", "identify-packet P"
  std::optional<Page> SmartData(int position) override;                    // logs "read-data P"
  std::optional<Page> SmartThresholds(int position) override;              // logs "read-thresholds P"
  std::optional<uint8_t> CheckPowerMode(int position) override;            // logs "power-mode P"
  // Logs "read-log P 0xNN"; answered from pages under that name.
  std::optional<Page> SmartReadLog(int position, uint8_t logAddress) override;
  // Logs "execute-offline P 0xNN"; answers `offlineAnswer`.
  DriveCommandResult SmartExecuteOffline(int position, uint8_t subcommand) override;
  CommandAnswer offlineAnswer = CommandAnswer::Accepted;

 private:
  std::optional<Page> Answer(const std::string& name);
};

// The expected bytes of one row of the register table for one position,
// written out here independently of the program's builders.
RequestBlock ExpectedRequest(const std::string& kind, int position);

// Hands out ScriptedDevices that a test prepared, one per drive number; a
// drive without one does not open. Each Open hands out a fresh copy so that
// every pass starts from the script.
class ScriptedOpener : public DeviceOpener {
 public:
  std::map<int, ScriptedDevice> drives;
  std::vector<std::string> lastLog;  // the log of the last device opened, once closed
  std::vector<SleepingDrive> rules;  // what each pass told the opener about sleeping drives
  std::unique_ptr<SmartDevice> Open(int driveNumber) override;
  std::unique_ptr<SmartDevice> OpenForPass(int driveNumber, SleepingDrive rule) override;
};

}  // namespace taruk
