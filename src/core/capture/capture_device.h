#pragma once
// A drive that answers the requests of the reading pass from a capture held
// in memory. A request the capture has no answer for fails, and so does any
// request block that is not exactly one the pass sends: a real drive would
// not answer a malformed request either.

#include "core/drive/smart_device.h"
#include "core/capture/drive_capture.h"

class CaptureDevice : public SmartDevice {
 public:
  explicit CaptureDevice(DriveCapture capture) : capture_(std::move(capture)) {}

  bool GetVersion(VersionAnswer& answer) override;
  bool GetGeometry(GeometryAnswer& answer) override;
  bool SendDriveCommand(const RequestBlock& request, CommandAnswer& answer) override;
  bool ReceiveDriveData(const RequestBlock& request, DataAnswer& answer) override;
  // The `power-mode P` line; none: the command fails.
  std::optional<uint8_t> CheckPowerMode(int position) override;

 private:
  DriveCapture capture_;
};
