#include <windows.h>

#include "fake_devices.h"

#include <ntddscsi.h>
#include <winioctl.h>

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
  Put32(out, 8, 3);        // ProtocolTypeNvme
  Put32(out, 8 + 16, 40);  // ProtocolDataOffset
  Put32(out, 8 + 20, data.size());
  std::copy(data.begin(), data.end(), out.begin() + 48);
  return Done(static_cast<uint32_t>(48 + data.size()));
}

// An ATA command inside ATA PASS-THROUGH(16) or (12), answered as a SATA
// drive behind a bridge would: the page it reads, or nothing.
std::optional<Page> SatAnswer(const DriveCapture& capture, std::span<const uint8_t> cdb, bool& done) {
  const bool sixteen = cdb.size() == 16 && cdb[0] == 0x85;
  const bool twelve = cdb.size() == 12 && cdb[0] == 0xA1;
  done = false;
  if (!capture.deviceMap || (!sixteen && !twelve)) return std::nullopt;
  const uint8_t features = sixteen ? cdb[4] : cdb[3];
  const uint8_t lbaLow = sixteen ? cdb[8] : cdb[5];
  const uint8_t command = sixteen ? cdb[14] : cdb[9];
  if (command == 0xEC) return capture.identify[0];
  if (command != 0xB0) return std::nullopt;
  if (features == 0xD0) return capture.smartData[0];
  if (features == 0xD1) return capture.smartThresholds[0];
  if (features == 0xD5) {
    const auto log = capture.smartLogs[0].find(lbaLow);
    if (log != capture.smartLogs[0].end()) return log->second;
  }
  done = features == 0xD8 && capture.enable[0].value_or(false);
  return std::nullopt;
}

// IOCTL_SCSI_PASS_THROUGH read at the offsets of SCSI_PASS_THROUGH on 64-bit
// Windows (Length 56, CdbLength at 6, SenseInfoLength 7, DataIn 8,
// DataTransferLength 12, DataBufferOffset 24, SenseInfoOffset 32, Cdb 36),
// answered from what the capture holds for exactly those command bytes.
ControlResult ScsiPassThroughAnswer(const DriveCapture& capture, std::span<const uint8_t> in, std::span<uint8_t> out) {
  if (in.size() < 56 || in[0] != 56 || in[1] != 0 || out.size() != in.size() || in[6] < 6 || in[6] > 16) {
    return Failed(ERROR_INVALID_PARAMETER);
  }
  const std::vector<uint8_t> cdb(in.begin() + 36, in.begin() + 36 + in[6]);
  const uint32_t length = Get32(in, 12);
  const uint32_t dataAt = Get32(in, 24);
  if (Get32(in, 28) != 0 || (length && dataAt + length > in.size())) return Failed(ERROR_INVALID_PARAMETER);
  std::copy(in.begin(), in.end(), out.begin());
  const auto checkCondition = [&] {
    out[2] = 2;
    out[7] = 0;
    Put32(out, 12, 0);
    return Done(static_cast<uint32_t>(56));
  };
  std::optional<std::vector<uint8_t>> data;
  if (in[8] == 0) {  // SCSI_IOCTL_DATA_OUT
    const std::vector<uint8_t> block(in.begin() + dataAt, in.begin() + dataAt + length);
    if (!capture.bridgeSent.contains({cdb, block})) return checkCondition();
    out[7] = 0;
    return Done(56);
  }
  if (const auto found = capture.bridgeAnswers.find(cdb); found != capture.bridgeAnswers.end()) data = found->second;
  if (const auto found = capture.scsiAnswers.find(cdb); found != capture.scsiAnswers.end()) data = found->second;
  bool done = false;
  if (const std::optional<Page> page = SatAnswer(capture, cdb, done))
    data = std::vector<uint8_t>(page->begin(), page->end());
  if (done) data = std::vector<uint8_t>{};
  if (!data || in[8] != (length ? 1 : 2)) return checkCondition();
  const uint32_t moved = std::min<uint32_t>(length, static_cast<uint32_t>(data->size()));
  std::copy_n(data->begin(), moved, out.begin() + dataAt);
  out[2] = 0;
  out[7] = 0;
  Put32(out, 12, moved);
  // The structure and its sense room come back too, with or without data.
  return Done(length ? dataAt + moved : 56 + 32);
}

ControlResult AnswerFromCapture(const DriveCapture& capture, uint32_t code, std::span<const uint8_t> in,
                                std::span<uint8_t> out) {
  switch (code) {
    case IOCTL_SCSI_PASS_THROUGH:
      return ScsiPassThroughAnswer(capture, in, out);
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
        // A bridge's disk is on USB; a disk with SCSI answers only is on SAS.
        uint32_t bus = capture.nvme ? BusTypeNvme : BusTypeAta;
        if (capture.usbBridge) bus = BusTypeUsb;
        if (!capture.usbBridge && !capture.deviceMap && !capture.nvme && !capture.scsiAnswers.empty()) bus = BusTypeSas;
        Put32(out, 28, bus);
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
  const uint32_t error =
      access == DeviceAccess::ReadWrite ? found->second.readWriteError : found->second.queryOnlyError;
  if (error) return {nullptr, error};
  return {std::make_unique<FakeDevice>(found->second.answer, sent), 0};
}

std::optional<UsbBridge> FakeDeviceSystem::UsbBridgeOf(const std::wstring& path) {
  const auto found = drives.find(path);
  if (found == drives.end()) return std::nullopt;
  return found->second.bridge;
}

}  // namespace taruk
