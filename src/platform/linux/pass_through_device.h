#pragma once
// A physical drive on Linux: the Windows S.M.A.R.T. requests answered through
// SG_IO and ATA PASS-THROUGH(16). One Linux block device is one ATA device,
// so its device map only ever marks position 0.

#include <memory>
#include <string>

#include "drive/smart_device.h"

class PassThroughDevice : public SmartDevice {
 public:
  // Takes over `fd` (an open whole-disk node) and closes it when destroyed.
  // Why the drive cannot be read goes to `problem`, prefixed with `path`;
  // `permissionHint` says what a refused SG_IO means to the user.
  PassThroughDevice(int fd, std::string path, std::shared_ptr<std::string> problem,
                    std::string permissionHint);
  ~PassThroughDevice() override;
  PassThroughDevice(const PassThroughDevice&) = delete;
  PassThroughDevice& operator=(const PassThroughDevice&) = delete;

  // Device map 0x01 when the disk answers IDENTIFY DEVICE through
  // pass-through, 0x11 when it answers IDENTIFY PACKET DEVICE; fails otherwise.
  bool GetVersion(VersionAnswer& answer) override;
  // The size as Windows reports a fixed disk: 255 tracks of 63 sectors.
  bool GetGeometry(GeometryAnswer& answer) override;
  bool SendDriveCommand(const RequestBlock& request, CommandAnswer& answer) override;
  bool ReceiveDriveData(const RequestBlock& request, DataAnswer& answer) override;

 private:
  void Report(const std::string& why);

  int fd_;
  std::string path_;
  std::shared_ptr<std::string> problem_;
  std::string permissionHint_;
};
