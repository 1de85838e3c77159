#include <windows.h>

#include "win32/win32_smart_device.h"

#include <gtest/gtest.h>
#include <ntddscsi.h>
#include <winioctl.h>

#include <algorithm>
#include <functional>
#include <iterator>

#include "fake_devices.h"
#include "support/pages.h"
#include "support/scripted_device.h"

using namespace taruk;

namespace {

using Bytes = std::vector<uint8_t>;

struct Drive {
  std::shared_ptr<std::vector<SentControl>> sent = std::make_shared<std::vector<SentControl>>();
  std::shared_ptr<std::string> problem = std::make_shared<std::string>();
  Win32SmartDevice device;
  explicit Drive(ControlAnswer answer)
      : device(std::make_unique<FakeDevice>(std::move(answer), sent), "\\\\.\\PhysicalDrive1", problem) {}
};

Bytes Le32(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
          static_cast<uint8_t>(value >> 24)};
}

// An NVMe protocol-specific query as Microsoft's documentation lays it out:
// STORAGE_PROPERTY_QUERY (PropertyId, QueryType), STORAGE_PROTOCOL_SPECIFIC_DATA
// (ProtocolTypeNvme, data type, request value, sub value, data offset 40,
// data length, then zeros), then room for the data.
Bytes NvmeQueryBytes(uint32_t property, uint32_t dataType, uint32_t value, uint32_t length) {
  Bytes bytes;
  for (uint32_t field : {property, 0u, 3u, dataType, value, 0u, 40u, length}) {
    const Bytes le = Le32(field);
    bytes.insert(bytes.end(), le.begin(), le.end());
  }
  bytes.resize(8 + 40 + length, 0);
  return bytes;
}

Bytes AsBytes(const RequestBlock& block) { return {block.begin(), block.end()}; }

// ATA_PASS_THROUGH_EX on 64-bit Windows: Length 48, AtaFlags DRDY_REQUIRED,
// no data, TimeOutValue 10 s, CurrentTaskFile at byte 40.
Bytes CheckPowerModeBytes(uint8_t driveHead) {
  Bytes bytes(48, 0);
  bytes[0] = 48;
  bytes[2] = 0x01;
  bytes[12] = 10;
  bytes[40 + 5] = driveHead;
  bytes[40 + 6] = 0xE5;
  return bytes;
}

Bytes AbortBytes(uint8_t driveHead) {
  Bytes bytes = CheckPowerModeBytes(driveHead);
  const uint8_t taskFile[] = {0xD4, 0, 0x7F, 0x4F, 0xC2, driveHead, 0xB0};
  std::copy(std::begin(taskFile), std::end(taskFile), bytes.begin() + 40);
  return bytes;
}

// STORAGE_PROTOCOL_COMMAND as Microsoft documents it: Version 1, Length 84
// (sizeof, its one-byte Command padded), ProtocolTypeNvme, the adapter
// flag, CommandLength 64, TimeOutValue 10 s, CommandSpecific NVMe admin,
// then the submission entry at byte 80: opcode 14h, NSID FFFFFFFFh and the
// test code in CDW10.
Bytes DeviceSelfTestBytes(uint8_t code) {
  Bytes bytes;
  for (uint32_t field : {1u, 84u, 3u, 0x80000000u, 0u, 0u, 64u, 0u, 0u, 0u, 10u, 0u, 0u, 0u, 1u, 0u, 0u, 0u, 0u, 0u}) {
    const Bytes le = Le32(field);
    bytes.insert(bytes.end(), le.begin(), le.end());
  }
  Bytes entry(64, 0);
  entry[0] = 0x14;
  entry[4] = entry[5] = entry[6] = entry[7] = 0xFF;
  entry[40] = code;
  bytes.insert(bytes.end(), entry.begin(), entry.end());
  return bytes;
}

}  // namespace

// Wine has no IOCTL_STORAGE_PROTOCOL_COMMAND: the answers are the driver's
// as documented, ReturnStatus at byte 16.
TEST(Win32Drive, NvmeDeviceSelfTestAnswers) {
  const auto answering = [](uint32_t returnStatus) {
    return [returnStatus](uint32_t, std::span<const uint8_t> in, std::span<uint8_t> out) {
      std::copy(in.begin(), in.end(), out.begin());
      const Bytes status = Le32(returnStatus);
      std::copy(status.begin(), status.end(), out.begin() + 16);
      return ControlResult{true, static_cast<uint32_t>(out.size()), 0};
    };
  };
  {
    Drive drive(answering(1));  // STORAGE_PROTOCOL_STATUS_SUCCESS
    EXPECT_EQ(drive.device.NvmeDeviceSelfTest(0x1).answer, CommandAnswer::Accepted);
  }
  {
    Drive drive(answering(2));  // STORAGE_PROTOCOL_STATUS_ERROR
    EXPECT_EQ(drive.device.NvmeDeviceSelfTest(0x2).answer, CommandAnswer::Refused);
  }
  {
    Drive drive(Refusing(ERROR_INVALID_FUNCTION));
    const DriveCommandResult result = drive.device.NvmeDeviceSelfTest(0xF);
    EXPECT_EQ(result.answer, CommandAnswer::NotDelivered);
    EXPECT_FALSE(result.problem.empty());
  }
}

TEST(Win32Drive, SelfTestCommandsTellAcceptedRefusedAndUndelivered) {
  struct Case {
    const char* name;
    uint8_t subcommand;
    bool delivered;
    uint8_t errorByte;  // the driver's IDE error, or the status an abort's task file returns
    CommandAnswer expected;
  };
  const Case cases[] = {
      {"short accepted", 0x01, true, 0x00, CommandAnswer::Accepted},
      {"short refused with the drive's ABRT", 0x01, true, 0x04, CommandAnswer::Refused},
      {"short not delivered", 0x01, false, 0x00, CommandAnswer::NotDelivered},
      {"abort accepted", 0x7F, true, 0x50, CommandAnswer::Accepted},
      {"abort refused: ERR in the status", 0x7F, true, 0x51, CommandAnswer::Refused},
      {"abort not delivered", 0x7F, false, 0x00, CommandAnswer::NotDelivered},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Drive drive([&](uint32_t code, std::span<const uint8_t>, std::span<uint8_t> out) {
      if (!c.delivered) return ControlResult{false, 0, ERROR_INVALID_FUNCTION};
      if (code == IOCTL_ATA_PASS_THROUGH) {
        out[40 + 6] = c.errorByte;
      } else {
        out[5] = c.errorByte;
      }
      return ControlResult{true, static_cast<uint32_t>(out.size()), 0};
    });
    EXPECT_EQ(drive.device.SmartExecuteOffline(0, c.subcommand).answer, c.expected);
  }
}

TEST(Win32Drive, EachCallSendsItsControlCodeWithTheDocumentedBytes) {
  struct Row {
    const char* call;
    std::function<void(SmartDevice&)> run;
    uint32_t code;
    Bytes in;
    std::size_t outSize;
  };
  const Row rows[] = {
      {"version", [](SmartDevice& d) { d.DeviceMap(); }, SMART_GET_VERSION, {}, 24},
      {"geometry", [](SmartDevice& d) { d.Geometry(); }, IOCTL_DISK_GET_DRIVE_GEOMETRY, {}, 24},
      {"enable 0", [](SmartDevice& d) { d.EnableSmart(0); }, SMART_SEND_DRIVE_COMMAND,
       AsBytes(ExpectedRequest("enable", 0)), 16},
      {"enable 3", [](SmartDevice& d) { d.EnableSmart(3); }, SMART_SEND_DRIVE_COMMAND,
       AsBytes(ExpectedRequest("enable", 3)), 16},
      {"identify 0", [](SmartDevice& d) { d.Identify(0, false); }, SMART_RCV_DRIVE_DATA,
       AsBytes(ExpectedRequest("identify", 0)), 528},
      {"identify-packet 1", [](SmartDevice& d) { d.Identify(1, true); }, SMART_RCV_DRIVE_DATA,
       AsBytes(ExpectedRequest("identify-packet", 1)), 528},
      {"read-data 2", [](SmartDevice& d) { d.SmartData(2); }, SMART_RCV_DRIVE_DATA,
       AsBytes(ExpectedRequest("read-data", 2)), 528},
      {"read-thresholds 3", [](SmartDevice& d) { d.SmartThresholds(3); }, SMART_RCV_DRIVE_DATA,
       AsBytes(ExpectedRequest("read-thresholds", 3)), 528},
      {"self-test log 1", [](SmartDevice& d) { d.SmartReadLog(1, 0x06); }, SMART_RCV_DRIVE_DATA,
       AsBytes(ExpectedRequest("read-self-test-log", 1)), 528},
      {"extended self-test 0", [](SmartDevice& d) { d.SmartExecuteOffline(0, 0x02); }, SMART_SEND_DRIVE_COMMAND,
       AsBytes(ExpectedRequest("execute-extended", 0)), 16},
      // The S.M.A.R.T. interface does not pass the abort: ATA pass-through
      // with the registers of SMART EXECUTE OFF-LINE IMMEDIATE, 7Fh.
      {"abort 1", [](SmartDevice& d) { d.SmartExecuteOffline(1, 0x7F); }, IOCTL_ATA_PASS_THROUGH, AbortBytes(0xB0), 48},
      {"power-mode 0", [](SmartDevice& d) { d.CheckPowerMode(0); }, IOCTL_ATA_PASS_THROUGH, CheckPowerModeBytes(0xA0),
       48},
      {"power-mode 1", [](SmartDevice& d) { d.CheckPowerMode(1); }, IOCTL_ATA_PASS_THROUGH, CheckPowerModeBytes(0xB0),
       48},
      {"bus", [](SmartDevice& d) { d.Bus(); }, IOCTL_STORAGE_QUERY_PROPERTY, Bytes(12, 0), 1024},
      {"nvme identify", [](SmartDevice& d) { d.NvmeIdentifyController(); }, IOCTL_STORAGE_QUERY_PROPERTY,
       NvmeQueryBytes(StorageAdapterProtocolSpecificProperty, NVMeDataTypeIdentify, 1, 4096), 8 + 40 + 4096},
      {"nvme health log", [](SmartDevice& d) { d.NvmeHealthLogPage(); }, IOCTL_STORAGE_QUERY_PROPERTY,
       NvmeQueryBytes(StorageDeviceProtocolSpecificProperty, NVMeDataTypeLogPage, 2, 512), 8 + 40 + 512},
      {"nvme self-test log", [](SmartDevice& d) { d.NvmeSelfTestLog(); }, IOCTL_STORAGE_QUERY_PROPERTY,
       NvmeQueryBytes(StorageDeviceProtocolSpecificProperty, NVMeDataTypeLogPage, 6, 564), 8 + 40 + 564},
      {"nvme short self-test", [](SmartDevice& d) { d.NvmeDeviceSelfTest(0x1); }, IOCTL_STORAGE_PROTOCOL_COMMAND,
       DeviceSelfTestBytes(0x1), 80 + 64},
      {"nvme abort", [](SmartDevice& d) { d.NvmeDeviceSelfTest(0xF); }, IOCTL_STORAGE_PROTOCOL_COMMAND,
       DeviceSelfTestBytes(0xF), 80 + 64},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.call);
    Drive drive(Refusing(ERROR_NOT_SUPPORTED));
    row.run(drive.device);
    ASSERT_EQ(drive.sent->size(), 1u);
    EXPECT_EQ(drive.sent->at(0).code, row.code);
    EXPECT_EQ(drive.sent->at(0).in, row.in);
    EXPECT_EQ(drive.sent->at(0).outSize, row.outSize);
  }
}

TEST(Win32Drive, AnswersAreReadWhereTheLayoutsPutThem) {
  // Every byte the driver does not own is noise, so a read from the wrong
  // place shows.
  const auto answering = [](std::function<uint32_t(std::span<uint8_t>)> fill) {
    return [fill](uint32_t, std::span<const uint8_t>, std::span<uint8_t> out) {
      std::fill(out.begin(), out.end(), uint8_t{0xEE});
      return ControlResult{true, fill(out), 0};
    };
  };
  {
    Drive drive(answering([](std::span<uint8_t> out) {
      out[3] = 0x13;  // bIDEDeviceMap
      return 24u;
    }));
    EXPECT_EQ(drive.device.DeviceMap(), 0x13);
  }
  {
    Drive drive(answering([](std::span<uint8_t> out) {
      const uint8_t geometry[24] = {0x01, 0, 0, 0, 0x02, 0, 0, 0, 12, 0,    0, 0,
                                    255,  0, 0, 0, 63,   0, 0, 0, 0,  0x10, 0, 0};
      std::copy(std::begin(geometry), std::end(geometry), out.begin());
      return 24u;
    }));
    EXPECT_EQ(drive.device.Geometry(), (DriveGeometry{0x200000001, 255, 63, 4096}));
  }
  {
    const Page identify = IdentifyPage("WDC WD800JB-00JJC0", "05.01C05", "WD-WCAM9");
    Drive drive(answering([&](std::span<uint8_t> out) {
      std::copy(identify.begin(), identify.end(), out.begin() + 16);
      return 528u;
    }));
    EXPECT_EQ(drive.device.Identify(0, false), identify);
    EXPECT_EQ(drive.device.SmartData(0), identify);
  }

  // CHECK POWER MODE: the Sector Count the drive handed back, unless its
  // status shows an error or the registers did not come back.
  struct PowerRow {
    uint8_t count, status;
    uint32_t bytes;
    std::optional<uint8_t> mode;
  };
  for (const PowerRow& row : {PowerRow{0x00, 0x50, 48, 0x00}, PowerRow{0xFF, 0x50, 48, 0xFF},
                              PowerRow{0x80, 0x51, 48, std::nullopt}, PowerRow{0x00, 0x50, 40, std::nullopt}}) {
    Drive drive(answering([&](std::span<uint8_t> out) {
      out[40 + 1] = row.count;
      out[40 + 6] = row.status;
      return row.bytes;
    }));
    EXPECT_EQ(drive.device.CheckPowerMode(0), row.mode) << int(row.count) << " " << int(row.status);
  }

  // The bus type at byte 28 of the device descriptor; an answer too short
  // to hold it, or none, is an ATA drive's. Asked once per open.
  struct BusRow {
    uint32_t busType, bytes;
    bool succeeded;
    DriveBus bus;
  };
  for (const BusRow& row :
       {BusRow{BusTypeNvme, 40, true, DriveBus::Nvme}, BusRow{BusTypeSata, 40, true, DriveBus::Ata},
        BusRow{BusTypeNvme, 31, true, DriveBus::Ata}, BusRow{BusTypeNvme, 40, false, DriveBus::Ata}}) {
    Drive drive([&](uint32_t, std::span<const uint8_t>, std::span<uint8_t> out) {
      const Bytes type = Le32(row.busType);
      std::copy(type.begin(), type.end(), out.begin() + 28);
      return ControlResult{row.succeeded, row.bytes, row.succeeded ? 0u : 50u};
    });
    EXPECT_EQ(drive.device.Bus(), row.bus) << row.busType << " " << row.bytes;
    drive.device.Bus();
    EXPECT_EQ(drive.sent->size(), 1u);
  }
}

TEST(Win32Drive, NvmeDataIsTakenFromWhereTheDescriptorSaysAndOnlyWhenItFits) {
  NvmeIdentifyData identify{};
  for (std::size_t i = 0; i < identify.size(); ++i) identify[i] = static_cast<uint8_t>(i * 7);
  Page log{};
  for (std::size_t i = 0; i < log.size(); ++i) log[i] = static_cast<uint8_t>(i * 3 + 1);

  // version, size, data offset, data length, bytes returned (0: all filled).
  struct Row {
    const char* what;
    uint32_t version, size, offset, length, bytes;
    bool read;
  };
  const Row rows[] = {
      {"the documented answer", 48, 48, 40, 0, 0, true},
      {"data further in than the answer holds", 48, 48, 56, 0, 0, false},
      {"a longer data length", 48, 48, 40, 8192, 0, true},
      {"another descriptor version", 1, 48, 40, 0, 0, false},
      {"another descriptor size", 48, 4200, 40, 0, 0, false},
      {"data inside the descriptor", 48, 48, 32, 0, 0, false},
      {"data shorter than asked", 48, 48, 40, 100, 0, false},
      {"data beyond the bytes returned", 48, 48, 40, 0, 48 + 100, false},
      {"an offset past any buffer", 48, 48, 0xFFFFFFF0, 0, 0, false},
      {"only a header", 48, 48, 40, 0, 20, false},
  };
  for (const bool isLog : {false, true}) {
    const std::span<const uint8_t> data = isLog ? std::span<const uint8_t>(log) : std::span<const uint8_t>(identify);
    for (const Row& row : rows) {
      SCOPED_TRACE(std::string(row.what) + (isLog ? " (log)" : " (identify)"));
      Drive drive([&](uint32_t, std::span<const uint8_t>, std::span<uint8_t> out) {
        std::fill(out.begin(), out.end(), uint8_t{0xEE});
        const uint32_t length = row.length ? row.length : static_cast<uint32_t>(data.size());
        for (auto [at, value] :
             {std::pair{0u, row.version}, {4u, row.size}, {8u + 16, row.offset}, {8u + 20, length}}) {
          const Bytes le = Le32(value);
          std::copy(le.begin(), le.end(), out.begin() + at);
        }
        const std::size_t start = 8 + std::size_t{row.offset};
        if (start < out.size()) {
          std::copy_n(data.begin(), std::min(data.size(), out.size() - start), out.begin() + start);
        }
        return ControlResult{true, row.bytes ? row.bytes : static_cast<uint32_t>(out.size()), 0};
      });
      if (isLog) {
        const std::optional<Page> got = drive.device.NvmeHealthLogPage();
        EXPECT_EQ(got.has_value(), row.read);
        if (got && row.read) {
          EXPECT_EQ(*got, log);
        }
      } else {
        const std::optional<NvmeIdentifyData> got = drive.device.NvmeIdentifyController();
        EXPECT_EQ(got.has_value(), row.read);
        if (got && row.read) {
          EXPECT_EQ(*got, identify);
        }
      }
      EXPECT_EQ(drive.problem->empty(), row.read) << *drive.problem;
    }
  }
}

TEST(Win32Drive, FailedRequestsFailTheCallAndTheRefusalsSayWhy) {
  // call, Win32 error, what the problem says (empty: the call says nothing).
  struct Row {
    const char* call;
    std::function<bool(SmartDevice&)> failed;
    uint32_t error;
    const char* problem;
  };
  const Row rows[] = {
      {"version, not an administrator", [](SmartDevice& d) { return !d.DeviceMap(); }, ERROR_ACCESS_DENIED,
       "\\\\.\\PhysicalDrive1: access denied: reading S.M.A.R.T. needs administrator rights"},
      {"version, a driver without S.M.A.R.T.", [](SmartDevice& d) { return !d.DeviceMap(); }, ERROR_NOT_SUPPORTED,
       "\\\\.\\PhysicalDrive1: the drive's driver does not pass S.M.A.R.T. requests: "},
      {"version, an unknown function", [](SmartDevice& d) { return !d.DeviceMap(); }, ERROR_INVALID_FUNCTION,
       "\\\\.\\PhysicalDrive1: the drive's driver does not pass S.M.A.R.T. requests: "},
      {"version, no answer in time", [](SmartDevice& d) { return !d.DeviceMap(); }, ERROR_TIMEOUT,
       "\\\\.\\PhysicalDrive1: the drive did not answer a S.M.A.R.T. request in time"},
      {"version, a device error", [](SmartDevice& d) { return !d.DeviceMap(); }, ERROR_IO_DEVICE,
       "\\\\.\\PhysicalDrive1: S.M.A.R.T. request failed: "},
      {"geometry", [](SmartDevice& d) { return !d.Geometry(); }, ERROR_IO_DEVICE, ""},
      {"enable", [](SmartDevice& d) { return !d.EnableSmart(0); }, ERROR_IO_DEVICE, ""},
      {"identify", [](SmartDevice& d) { return !d.Identify(0, false); }, ERROR_IO_DEVICE, ""},
      {"read-data", [](SmartDevice& d) { return !d.SmartData(0); }, ERROR_IO_DEVICE, ""},
      {"read-thresholds", [](SmartDevice& d) { return !d.SmartThresholds(0); }, ERROR_IO_DEVICE, ""},
      // The pass then reads the drive as if awake, as on Linux.
      {"power mode", [](SmartDevice& d) { return !d.CheckPowerMode(0); }, ERROR_NOT_SUPPORTED, ""},
      {"bus", [](SmartDevice& d) { return d.Bus() == DriveBus::Ata; }, ERROR_NOT_SUPPORTED, ""},
      {"nvme identify", [](SmartDevice& d) { return !d.NvmeIdentifyController(); }, ERROR_NOT_SUPPORTED,
       "\\\\.\\PhysicalDrive1: the drive's driver does not pass NVMe requests: "},
      {"nvme health log", [](SmartDevice& d) { return !d.NvmeHealthLogPage(); }, ERROR_IO_DEVICE,
       "\\\\.\\PhysicalDrive1: NVMe request failed: "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.call);
    Drive drive(Refusing(row.error));
    EXPECT_TRUE(row.failed(drive.device));
    if (*row.problem == '\0') {
      EXPECT_EQ(*drive.problem, "");
    } else {
      EXPECT_TRUE(drive.problem->starts_with(row.problem)) << *drive.problem;
    }
    // The system's words end with the number, whatever the words are.
    if (row.error != ERROR_ACCESS_DENIED && row.error != ERROR_TIMEOUT && *row.problem) {
      EXPECT_TRUE(drive.problem->ends_with("(error " + std::to_string(row.error) + ")")) << *drive.problem;
    }
  }
}
