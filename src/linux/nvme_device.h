#pragma once
// An NVMe drive on Linux (a namespace's whole disk, /dev/nvmeXnY): Identify
// Controller and the health log through the admin pass-through ioctl, the
// size from the block device. Without the right to open the node or send
// admin commands, sysfs still gives the controller's model, serial number
// and firmware and the namespace's size, to anyone.

#include <memory>
#include <optional>
#include <string>

#include "core/drive/smart_device.h"

namespace taruk {

class NvmeDevice : public SmartDevice {
 public:
  // Takes over `fd` (the open namespace node, or -1 when it could not be
  // opened) and closes it when destroyed. `sysDisk` is /sys/block/NAME.
  NvmeDevice(int fd, std::string path, std::string sysDisk, std::shared_ptr<std::string> problem,
             std::string permissionHint);
  ~NvmeDevice() override;
  NvmeDevice(const NvmeDevice&) = delete;
  NvmeDevice& operator=(const NvmeDevice&) = delete;

  DriveBus Bus() override { return DriveBus::Nvme; }
  std::optional<uint8_t> DeviceMap() override { return std::nullopt; }
  std::optional<DriveGeometry> Geometry() override;
  bool EnableSmart(int) override { return false; }
  std::optional<Page> Identify(int, bool) override { return std::nullopt; }
  std::optional<Page> SmartData(int) override { return std::nullopt; }
  std::optional<Page> SmartThresholds(int) override { return std::nullopt; }
  // From the drive; without an open node, the sysfs texts laid out as the
  // drive lays them out (they are the drive's own padded fields).
  std::optional<NvmeIdentifyData> NvmeIdentifyController() override;
  std::optional<Page> NvmeHealthLogPage() override;
  // The controller's hwmon temp1_input (composite, millidegrees Celsius),
  // readable by anyone.
  std::optional<uint16_t> NvmeSensorKelvin() override;
  std::optional<NvmeSelfTestLogData> NvmeSelfTestLog() override;
  DriveCommandResult NvmeDeviceSelfTest(uint8_t code) override;

 private:
  void Report(int systemError, uint32_t nvmeStatus);

  int fd_;
  std::string path_;
  std::string sysDisk_;
  std::shared_ptr<std::string> problem_;
  std::string permissionHint_;
};

}  // namespace taruk
