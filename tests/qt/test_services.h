#pragma once
// What the main window needs from the machine, for tests: no drives, no
// volumes, a clock that stands still, alert actions that do
// nothing.

#include <memory>
#include <string>
#include <vector>

#include "core/alarm/alert_platform.h"
#include "core/base/clock.h"
#include "core/drive/smart_device.h"
#include "core/drive/volumes.h"
#include "support/quiet_machine.h"

using namespace taruk;

namespace {

class NoDrives : public DeviceOpener {
 public:
  int opens = 0;
  std::unique_ptr<SmartDevice> Open(int) override {
    ++opens;
    return nullptr;
  }
};

class QuietPlatform : public AlertPlatform {
 public:
  void ShowBalloon(const std::wstring&, const std::wstring&, int) override {}
  bool EnableShutdownPrivilege(PowerAction) override { return false; }
  void ShutDown() override {}
  void Suspend() override {}
  void Hibernate() override {}
  bool PlaySoundFile(const std::wstring&, std::wstring&) override { return false; }
  void ShowSystemError(const std::wstring&) override {}
};

}  // namespace
