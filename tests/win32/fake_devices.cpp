#include "fake_devices.h"

#include <windows.h>
#include <winioctl.h>
#include <ntddscsi.h>

#include <algorithm>

namespace taruk {

namespace {

uint32_t Get32(std::span<const uint8_t> bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

void Put32(std::span<uint8_t> bytes, std::size_t at, uint64_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

ControlResult Done(uint32_t bytes) { return {true, bytes, 0}; }
ControlResult Failed(uint32_t error = ERROR_IO_DEVICE) { return {false, 0, error}; }

// A SENDCMDOUTPARAMS carrying `page`.
ControlResult PageAnswer(const std::optional<Page>& page, std::span<uint8_t> out) {
  if (!page || out.size() < 16 + 512) return Failed();
  Put32(out, 0, 512);
  std::copy(page->begin(), page->end(), out.begin() + 16);
  return Done(16 + 512);
}

// A STORAGE_PROTOCOL_DATA_DESCRIPTOR carrying `data` right behind it.
ControlResult ProtocolAnswer(std::span<const uint8_t> data, std::span<uint8_t> out) {
  if (out.size() < 48 + data.size()) return Failed(ERROR_INSUFFICIENT_BUFFER);
  Put32(out, 0, 48);
  Put32(out, 4, 48);
  Put32(out, 8, 3);             // ProtocolTypeNvme
  Put32(out, 8 + 16, 40);       // ProtocolDataOffset
  Put32(out, 8 + 20, data.size());
  std::copy(data.begin(), data.end(), out.begin() + 48);
  return Done(static_cast<uint32_t>(48 + data.size()));
}

ControlResult AnswerFromCapture(const DriveCapture& capture, uint32_t code, std::span<const uint8_t> in,
                                std::span<uint8_t> out) {
  switch (code) {
    case SMART_GET_VERSION:
      if (capture.nvme || !capture.deviceMap || out.size() < 24) return Failed(ERROR_NOT_SUPPORTED);
      out[0] = 1;
      out[3] = *capture.deviceMap;
      return Done(24);
    case IOCTL_DISK_GET_DRIVE_GEOMETRY: {
      if (!capture.geometry || out.size() < 24) return Failed();
      const DriveGeometry& g = *capture.geometry;
      Put32(out, 0, static_cast<uint64_t>(g.cylinders));
      Put32(out, 4, static_cast<uint64_t>(g.cylinders) >> 32);
      Put32(out, 8, 12);  // FixedMedia
      Put32(out, 12, g.tracksPerCylinder);
      Put32(out, 16, g.sectorsPerTrack);
      Put32(out, 20, g.bytesPerSector);
      return Done(24);
    }
    case SMART_SEND_DRIVE_COMMAND: {
      if (in.size() < 32 || out.size() < 16 || in[4] != 0xD8 || in[10] != 0xB0 || in[12] > 3) return Failed();
      return capture.enable[in[12]].value_or(false) ? Done(16) : Failed();
    }
    case SMART_RCV_DRIVE_DATA: {
      if (in.size() < 32 || in[12] > 3 || Get32(in, 0) != 512) return Failed();
      const int position = in[12];
      const bool packetAtPosition = capture.deviceMap && ((*capture.deviceMap >> (position + 4)) & 1);
      if (in[10] == 0xEC || in[10] == 0xA1) {
        if ((in[10] == 0xA1) != packetAtPosition) return Failed();
        return PageAnswer(capture.identify[position], out);
      }
      if (in[10] == 0xB0 && in[4] == 0xD0) return PageAnswer(capture.smartData[position], out);
      if (in[10] == 0xB0 && in[4] == 0xD1) return PageAnswer(capture.smartThresholds[position], out);
      if (in[10] == 0xB0 && in[4] == 0xD5) {
        const auto log = capture.smartLogs[position].find(in[6]);
        if (log == capture.smartLogs[position].end()) return Failed();
        return PageAnswer(log->second, out);
      }
      return Failed();
    }
    case IOCTL_ATA_PASS_THROUGH: {
      if (in.size() < 48 || out.size() < 48 || in[40 + 6] != 0xE5) return Failed(ERROR_INVALID_PARAMETER);
      const std::optional<uint8_t> mode = capture.powerMode[(in[40 + 5] >> 4) & 1];
      if (!mode) return Failed(ERROR_NOT_SUPPORTED);
      std::copy(in.begin(), in.begin() + 48, out.begin());
      out[40 + 1] = *mode;
      out[40 + 6] = 0x50;  // DRDY, DSC: no error
      return Done(48);
    }
    case IOCTL_STORAGE_QUERY_PROPERTY: {
      if (in.size() < 8) return Failed(ERROR_INVALID_PARAMETER);
      const uint32_t property = Get32(in, 0);
      if (property == StorageDeviceProperty) {
        if (out.size() < 40) return Failed(ERROR_INSUFFICIENT_BUFFER);
        Put32(out, 0, 40);
        Put32(out, 4, 40);
        Put32(out, 28, capture.nvme ? BusTypeNvme : BusTypeAta);
        return Done(40);
      }
      if (!capture.nvme || in.size() < 48 || Get32(in, 8) != ProtocolTypeNvme) return Failed(ERROR_NOT_SUPPORTED);
      const uint32_t dataType = Get32(in, 12);
      const uint32_t value = Get32(in, 16);
      if (property == StorageAdapterProtocolSpecificProperty && dataType == NVMeDataTypeIdentify && value == 1 &&
          capture.nvmeIdentify) {
        return ProtocolAnswer(*capture.nvmeIdentify, out);
      }
      if (property == StorageDeviceProtocolSpecificProperty && dataType == NVMeDataTypeLogPage && value == 2 &&
          capture.nvmeHealthLog) {
        return ProtocolAnswer(*capture.nvmeHealthLog, out);
      }
      if (property == StorageDeviceProtocolSpecificProperty && dataType == NVMeDataTypeLogPage && value == 6 &&
          capture.nvmeSelfTestLog) {
        return ProtocolAnswer(*capture.nvmeSelfTestLog, out);
      }
      return Failed(ERROR_NOT_SUPPORTED);
    }
    default:
      return Failed(ERROR_INVALID_FUNCTION);
  }
}

}  // namespace

ControlAnswer Refusing(uint32_t error) {
  return [error](uint32_t, std::span<const uint8_t>, std::span<uint8_t>) { return Failed(error); };
}

ControlAnswer CaptureAnswers(DriveCapture capture) {
  return [capture = std::move(capture)](uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out) {
    return AnswerFromCapture(capture, code, in, out);
  };
}

ControlResult FakeDevice::Control(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out) {
  sent_->push_back({code, {in.begin(), in.end()}, out.size()});
  return answer_(code, in, out);
}

OpenedDevice FakeDeviceSystem::Open(const std::wstring& path, DeviceAccess access) {
  opens.emplace_back(path, access);
  const auto found = drives.find(path);
  if (found == drives.end()) return {nullptr, ERROR_FILE_NOT_FOUND};
  const uint32_t error = access == DeviceAccess::ReadWrite ? found->second.readWriteError : found->second.queryOnlyError;
  if (error) return {nullptr, error};
  return {std::make_unique<FakeDevice>(found->second.answer, sent), 0};
}

}  // namespace taruk
