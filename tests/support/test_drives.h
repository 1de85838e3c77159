#pragma once
// Drives for cycle tests, stated as model and temperature and replayed from
// capture files through the whole reading pass. Changing a drive between
// cycles is what a drive heating up or going away looks like to the monitor.

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "core/drive/smart_device.h"

namespace taruk {

class TestDrives {
 public:
  TestDrives();
  ~TestDrives();
  TestDrives(const TestDrives&) = delete;
  TestDrives& operator=(const TestDrives&) = delete;

  // Drive n answers with this model and temperature (attribute 194) from the
  // next pass on; `powerMode` is its answer to CHECK POWER MODE (none: the
  // command fails).
  void Set(int driveNumber, const std::string& model, uint8_t temperature,
           std::optional<uint8_t> powerMode = std::nullopt);
  // Drive n no longer opens.
  void Remove(int driveNumber);
  DeviceOpener& Opener();

 private:
  struct State;
  std::unique_ptr<State> state;
};

}  // namespace taruk
