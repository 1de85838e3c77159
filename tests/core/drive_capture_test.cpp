#include "core/capture/drive_capture.h"

#include <gtest/gtest.h>

#include <string>

#include "support/pages.h"

using namespace taruk;

namespace {

std::string HexOf(const Page& page) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (uint8_t byte : page) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 15];
  }
  return hex;
}

Page Pattern(uint8_t seed) {
  Page page;
  for (size_t i = 0; i < page.size(); ++i) page[i] = static_cast<uint8_t>(seed + i * 7);
  return page;
}

DriveCapture FullCapture() {
  DriveCapture capture;
  capture.deviceMap = 0x23;
  capture.geometry = DriveGeometry{9729, 255, 63, 512};
  capture.powerMode[0] = 0x00;
  capture.powerMode[2] = 0xFF;
  capture.enable[0] = true;
  capture.enable[2] = false;
  capture.identify[0] = Pattern(1);
  capture.identify[1] = Pattern(2);
  capture.smartData[0] = Pattern(3);
  capture.smartThresholds[0] = Pattern(4);
  capture.smartThresholds[3] = Pattern(0xFF);
  return capture;
}

struct ParseResult {
  bool ok;
  DriveCapture capture;
  std::string error;
};

ParseResult Parse(const std::string& text) {
  ParseResult result{};
  result.ok = ParseCapture(text, "drive1.capture", result.capture, result.error);
  return result;
}

// The error must name the file and the line, then say what was expected.
void ExpectError(const std::string& text, int line, const std::string& mentions) {
  const ParseResult result = Parse(text);
  ASSERT_FALSE(result.ok) << text;
  EXPECT_EQ(result.error.rfind("drive1.capture:" + std::to_string(line) + ": ", 0), 0u) << result.error;
  EXPECT_NE(result.error.find(mentions), std::string::npos) << result.error;
  EXPECT_EQ(result.error.find('\n'), std::string::npos) << result.error;
}

}  // namespace

TEST(CaptureFormat, WhatIsWrittenReadsBackUnchanged) {
  const DriveCapture capture = FullCapture();
  const ParseResult result = Parse(FormatCapture(capture));
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.capture, capture);

  // An empty capture (a drive that refused the version request) too.
  const ParseResult empty = Parse(FormatCapture(DriveCapture{}));
  ASSERT_TRUE(empty.ok) << empty.error;
  EXPECT_EQ(empty.capture, DriveCapture{});
}

TEST(CaptureFormat, HandWrittenFilesMayLayOutPagesFreely) {
  const Page page = Pattern(9);
  std::string hex = HexOf(page);
  // Upper case, split at odd places, comments between the lines, CRLF ends.
  for (char& c : hex) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::string text =
      "# a comment line\r\n  device-map 1  # behind a value\r\n"
      "identify 0 " +
      hex.substr(0, 3) + "\r\n# inside the page\r\n\t" + hex.substr(3, 500) + " " + hex.substr(503) + "\r\n";
  const ParseResult result = Parse(text);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.capture.deviceMap, 1);
  EXPECT_EQ(result.capture.identify[0], page);
  // Whatever the file leaves out is a request that fails.
  EXPECT_FALSE(result.capture.geometry);
  EXPECT_FALSE(result.capture.enable[0]);
  EXPECT_FALSE(result.capture.smartData[0]);
}

TEST(CaptureFormat, MalformedFilesNameTheLineAndWhatWasExpected) {
  const std::string page = HexOf(Pattern(5));
  // Bad hex digit on the third line of a page.
  ExpectError(
      "device-map 0x01\nidentify 0\n" + page.substr(0, 64) + "\n" + page.substr(64, 10) + "zz" + page.substr(76) + "\n",
      4, "hex digit");
  // Short page: the next keyword comes before 1024 digits.
  ExpectError("smart-data 0\n" + page.substr(0, 1000) + "\nsmart-thresholds 0\n" + page + "\n", 3,
              "expected 1024 hex digits");
  // A page one digit too long.
  ExpectError("identify 0\n" + page + "0\n", 2, "more than 1024");
  // Truncated file: the page stops at the end of the file.
  ExpectError("device-map 0x01\ngeometry 10 255 63 512\nidentify 0\n" + page.substr(0, 512), 4, "end of the file");
  // Truncated in the middle of a line of values.
  ExpectError("device-map 0x01\ngeometry 10 255", 2, "sectors per track");
  ExpectError("enable 0", 1, "ok or fail");
  // Unknown keyword.
  ExpectError("device-map 0x01\n\ndevicemap 0x01\n", 3, "expected device-map, geometry");
  // Positions out of range or not numbers.
  ExpectError("enable 4 ok\n", 1, "position 0..3");
  ExpectError("identify -1\n" + page, 1, "position 0..3");
  ExpectError("smart-data x\n" + page, 1, "position 0..3");
  // Values out of range.
  ExpectError("device-map 0x100\n", 1, "device map byte");
  ExpectError("device-map\n", 1, "device map byte");
  ExpectError("geometry 10 255 63 4294967296\n", 1, "bytes per sector");
  ExpectError("geometry 10 -255 63 512\n", 1, "tracks per cylinder");
  ExpectError("geometry -10 255 63 512\n", 1, "cylinders");  // would show a negative capacity
  ExpectError("enable 1 yes\n", 1, "ok or fail");
  ExpectError("power-mode 0 standby\n", 1, "power mode byte");
  ExpectError("power-mode 0 0x100\n", 1, "power mode byte");
  ExpectError("device-map 0x01\npower-mode 0\n", 2, "power mode byte");
  ExpectError("power-mode 4 0x00\n", 1, "position 0..3");
  ExpectError("power-mode 1 0x00\npower-mode 1 0xff\n", 2, "twice");
  ExpectError("identify 0\n" + page.substr(0, 100) + "\npower-mode 0 0x00\n", 3, "expected 1024 hex digits");
  // The same answer twice would leave a reader guessing which one the drive gave.
  ExpectError("device-map 0x01\ndevice-map 0x03\n", 2, "twice");
  ExpectError("identify 2 " + page + "\nidentify 2 " + page, 2, "twice");
}

TEST(CaptureFormat, BinaryJunkGivesOneReadableLine) {
  std::string junk = "device-map 0x01\n";
  junk += std::string("\x01\x02\xff\x7f\x1b[2J", 8) + std::string(200, 'A');
  const ParseResult result = Parse(junk);
  ASSERT_FALSE(result.ok);
  for (char c : result.error) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << int(c);
  EXPECT_LT(result.error.size(), 256u);
}

TEST(CaptureFormat, AFailedParseLeavesTheCaptureAsItWas) {
  DriveCapture capture = FullCapture();
  std::string error;
  // Every line but the last is good and would change the capture.
  EXPECT_FALSE(ParseCapture("device-map 0x01\ngeometry 1 2 3 4\nenable 3 ok\nbogus\n", "f", capture, error));
  EXPECT_EQ(capture, FullCapture());
}

// An NVMe drive's sections: written and read back unchanged, refused when
// malformed like any other section.
TEST(CaptureFormat, UsbBridgeLineReadsBackAndMalformedOnesAreRefused) {
  DriveCapture capture;
  capture.usbBridge = UsbBridge{0x46f4, 0x0003, 0x0000, "uas"};
  ParseResult back = Parse(FormatCapture(capture));
  ASSERT_TRUE(back.ok) << back.error;
  EXPECT_EQ(back.capture, capture);
  capture.usbBridge = UsbBridge{0x0bda, 0x9210, 0x2001, ""};  // no driver bound: "-"
  EXPECT_NE(FormatCapture(capture).find("usb-bridge 0bda:9210 2001 -\n"), std::string::npos);
  back = Parse(FormatCapture(capture));
  ASSERT_TRUE(back.ok) << back.error;
  EXPECT_EQ(back.capture, capture);

  ExpectError("usb-bridge 46f4-0001 0000 uas\n", 1, "vendor:product ids such as 46f4:0001");
  ExpectError("usb-bridge 46f4:00g1 0000 uas\n", 1, "found '46f4:00g1'");
  ExpectError("usb-bridge 46f4:0001 00000 uas\n", 1, "release of four hex digits");
  ExpectError("usb-bridge 46f4:0001 0000 UAS\n", 1, "driver name such as uas");
  ExpectError("usb-bridge 46f4:0001 0000\n", 1, "expected the bridge's driver after 'usb-bridge'");
  ExpectError("usb-bridge 46f4:0001 0000 uas\nusb-bridge 46f4:0001 0000 uas\n", 2, "twice");
}

TEST(CaptureFormat, NvmeSectionsReadBackAndMalformedOnesAreRefused) {
  DriveCapture capture;
  capture.nvme = true;
  capture.geometry = DriveGeometry{60801, 255, 63, 512};
  capture.nvmeIdentify.emplace();
  for (size_t i = 0; i < capture.nvmeIdentify->size(); ++i) capture.nvmeIdentify->at(i) = static_cast<uint8_t>(i * 13);
  capture.nvmeHealthLog = Pattern(9);
  capture.nvmeSensorKelvin = 323;
  const ParseResult back = Parse(FormatCapture(capture));
  ASSERT_TRUE(back.ok) << back.error;
  EXPECT_EQ(back.capture, capture);
  EXPECT_TRUE(Parse("interface ata\n").ok);

  const std::string page = HexOf(Pattern(5));
  ExpectError("interface sata\n", 1, "ata or nvme");
  ExpectError("interface nvme\ninterface ata\n", 2, "twice");
  ExpectError("interface nvme\nnvme-identify\n" + page + "\nnvme-health-log\n" + page, 4,
              "expected 8192 hex digits after 'nvme-identify', found 1024 before 'nvme-health-log'");
  ExpectError("nvme-health-log\n" + page + "0\n", 2, "more than 1024");
  ExpectError("nvme-health-log " + page.substr(0, 10) + "g", 1, "hex digit");
  ExpectError("nvme-health-log " + page + "\nnvme-health-log " + page, 2, "twice");
  ExpectError("nvme-sensor-kelvin 65536\n", 1, "kelvin (0..65535)");
  ExpectError("nvme-sensor-kelvin 300 nvme-sensor-kelvin 301\n", 1, "twice");
}
