#pragma once
// A drive for tests: answers each request of the reading pass from a script
// and logs what it was asked, in order. It recognises a request only by the
// exact bytes the register table gives, so a wrong register shows up in the
// log as "unexpected" and is refused.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/drive/smart_device.h"

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
  std::set<std::string> refused;            // "version", "enable 1", "read-data 0", ...
  std::map<std::string, Page> pages;        // "identify 0", "identify-packet 1", "read-data 0", ...
  std::map<int, uint8_t> powerModes;        // CHECK POWER MODE's answer per position; none: it fails
  // A data request that succeeds but leaves garbage in a refused answer: the
  // pass must not use what a failed request wrote.
  bool scribbleOnFailure = false;

  std::vector<std::string> log;  // one name per request, "unexpected" for unknown bytes
  int* closedCounter = nullptr;  // counts closes of the devices ScriptedOpener opened from this script

  bool GetVersion(VersionAnswer& answer) override;
  bool GetGeometry(GeometryAnswer& answer) override;
  bool SendDriveCommand(const RequestBlock& request, CommandAnswer& answer) override;
  bool ReceiveDriveData(const RequestBlock& request, DataAnswer& answer) override;
  std::optional<uint8_t> CheckPowerMode(int position) override;  // logs "power-mode P"
};

// Names a request block by comparing it with the register table, e.g.
// "enable 2", "identify 1", "identify-packet 3", "read-data 0",
// "read-thresholds 1"; "unexpected" when no row matches exactly.
std::string NameOfRequest(const RequestBlock& request);

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
