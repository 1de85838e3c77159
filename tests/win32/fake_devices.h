#pragma once
// Devices for the Win32 drive layer's tests, at the DeviceIoControl seam: a
// test scripts what each control code answers and reads back every request
// byte that was sent.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/capture/drive_capture.h"
#include "win32/device_control.h"

namespace taruk {

struct SentControl {
  uint32_t code = 0;
  std::vector<uint8_t> in;
  std::size_t outSize = 0;
};

// Fills `out` for one request and says how it went.
using ControlAnswer = std::function<ControlResult(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out)>;

// Every request fails with `error`.
ControlAnswer Refusing(uint32_t error);

// Answers like a driver in front of the drive a capture recorded, reading
// the requests byte by byte at their documented offsets (independently of
// the program's builders). CHECK POWER MODE reaches the disk without a
// position; the drive/head byte's device bit stands for positions 0 and 1.
// A capture with a USB bridge is a disk on USB, answering the SCSI
// pass-through: the bridge chip's recorded answers, and a SATA drive's
// pages through ATA PASS-THROUGH. One with SCSI answers alone is on SAS.
ControlAnswer CaptureAnswers(DriveCapture capture);

class FakeDevice : public ControlledDevice {
 public:
  FakeDevice(ControlAnswer answer, std::shared_ptr<std::vector<SentControl>> sent)
      : answer_(std::move(answer)), sent_(std::move(sent)) {}
  ControlResult Control(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out) override;

 private:
  ControlAnswer answer_;
  std::shared_ptr<std::vector<SentControl>> sent_;
};

class FakeDeviceSystem : public DeviceSystem {
 public:
  struct Drive {
    uint32_t readWriteError = 0;  // non-zero: an open for read and write fails so
    uint32_t queryOnlyError = 0;  // the same for an open that asks no access
    ControlAnswer answer = Refusing(50);
    std::optional<UsbBridge> bridge;  // the USB device the device tree shows above the disk
  };
  // A path without a drive fails to open with ERROR_FILE_NOT_FOUND.
  std::map<std::wstring, Drive> drives;
  std::vector<std::pair<std::wstring, DeviceAccess>> opens;
  std::shared_ptr<std::vector<SentControl>> sent = std::make_shared<std::vector<SentControl>>();

  OpenedDevice Open(const std::wstring& path, DeviceAccess access) override;
  std::optional<UsbBridge> UsbBridgeOf(const std::wstring& path) override;
};

}  // namespace taruk
