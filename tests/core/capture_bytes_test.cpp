#include "core/capture/capture_bytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/capture/capture_file.h"

using namespace taruk;

namespace {

DriveCapture FromFile(const std::string& path) {
  DriveCapture capture;
  std::string error;
  EXPECT_EQ(ReadCaptureFile(path, capture, error), CaptureFileStatus::Loaded) << error;
  return capture;
}

// Every record the reader can send: the demo's ATA and NVMe drives, a
// bridge's own commands, and a SCSI disk's answers and sleeping power mode.
std::vector<DriveCapture> KeptCaptures() {
  std::vector<DriveCapture> captures;
  for (int n = 0; n < 4; ++n) captures.push_back(FromFile(TARUK_DEMO_DIR "/drive" + std::to_string(n) + ".capture"));
  for (const char* chip : {"asmedia", "jmicron", "realtek"}) {
    captures.push_back(FromFile(std::string(TARUK_TEST_DATA_DIR "/nvme-bridges/") + chip + "/drive0.capture"));
  }
  DriveCapture scsi;
  scsi.geometry = DriveGeometry{0, 0, 0, 4096};
  scsi.powerMode[1] = 0xFF;
  scsi.enable[3] = false;
  scsi.scsiAnswers[{0x4D, 0x40, 0x0D, 0, 0, 0, 0, 0, 0x40, 0}] = std::vector<uint8_t>(1024, 0x5A);
  scsi.scsiAnswers[{0x12, 0, 0, 0, 36, 0}] = {};
  scsi.usbBridge = UsbBridge{0x46F4, 0x0001, 0, ""};
  scsi.smartLogs[2][0x06] = Page{};
  captures.push_back(scsi);
  captures.push_back(DriveCapture{});
  return captures;
}

bool Decodes(std::string_view bytes) {
  DriveCapture capture;
  capture.deviceMap = 0x77;
  std::string error;
  const bool decoded = DecodeCapture(bytes, capture, error);
  if (!decoded) {
    EXPECT_EQ(capture.deviceMap, 0x77) << "a refused capture leaves the record as it was";
    EXPECT_NE(error.find("record"), std::string::npos) << error;
  }
  return decoded;
}

}  // namespace

TEST(CaptureBytes, EveryCaptureComesBackAsItWasAndNoCutOneIsTaken) {
  for (const DriveCapture& capture : KeptCaptures()) {
    const std::string bytes = EncodeCapture(capture);
    DriveCapture decoded;
    std::string error;
    ASSERT_TRUE(DecodeCapture(bytes, decoded, error)) << error;
    EXPECT_EQ(decoded, capture);
    // Records end exactly: a capture cut anywhere inside one is refused,
    // cut between two it is a shorter capture.
    for (std::size_t size = 0; size < bytes.size(); ++size) {
      DriveCapture shorter;
      if (DecodeCapture(std::string_view(bytes).substr(0, size), shorter, error)) {
        EXPECT_EQ(EncodeCapture(shorter), bytes.substr(0, size)) << size;
      }
    }
  }
}

TEST(CaptureBytes, WhatTheTextWouldRefuseIsRefused) {
  const std::string page(512, '\0');
  const std::string inquiry("\x0e\x06\x12\x00\x00\x00\x24\x00", 8);  // INQUIRY, then the data length
  const struct {
    const char* what;
    std::string bytes;
  } refused[] = {
      {"unknown record", std::string("\x63", 1)},
      {"position 4", std::string("\x05\x04", 2) + page},
      {"a page given twice", std::string("\x05\x01", 2) + page + std::string("\x05\x01", 2) + page},
      {"enable neither 0 nor 1", std::string("\x04\x00\x02", 3)},
      {"fewer cylinders than none", "\x02" + std::string(8, '\xff') + std::string(12, '\0')},
      {"a command of 5 bytes", std::string("\x0e\x05\x12\x00\x00\x00\x24", 7) + std::string(4, '\0')},
      {"a command of 17 bytes", "\x0e\x11" + std::string(17, '\0') + std::string(4, '\0')},
      {"more SCSI data than a command takes", inquiry + std::string("\x01\x04\x00\x00", 4) + std::string(1025, '\0')},
      {"a data length past the end", inquiry + std::string("\xff\xff\xff\xff", 4)},
      {"the interface twice", "\x09\x09"},
      {"a driver name with a space", "\x0f" + std::string(6, '\0') + "\x03" + "u s"},
      {"a driver name of 33 letters", "\x0f" + std::string(6, '\0') + "\x21" + std::string(33, 'a')},
  };
  for (const auto& c : refused) EXPECT_FALSE(Decodes(c.bytes)) << c.what;
  EXPECT_TRUE(Decodes(inquiry + std::string("\x24\x00\x00\x00", 4) + std::string(36, 'x')));
}
