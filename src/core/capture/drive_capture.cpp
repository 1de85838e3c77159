#include "core/capture/drive_capture.h"

#include <charconv>
#include <cstdio>
#include <span>
#include <vector>

namespace taruk {

namespace {

constexpr int kPositions = 4;
constexpr std::size_t kHexDigitsPerLine = 64;

// ---------------------------------------------------------------- writing

// `position` -1: a section of the whole drive, with no position after its keyword.
void AppendPage(std::string& text, const char* keyword, int position, std::span<const uint8_t> page) {
  static constexpr char kDigits[] = "0123456789abcdef";
  text += keyword;
  if (position >= 0) {
    text += ' ';
    text += static_cast<char>('0' + position);
  }
  for (std::size_t i = 0; i < page.size(); ++i) {
    if (i % (kHexDigitsPerLine / 2) == 0) text += "\n  ";
    text += kDigits[page[i] >> 4];
    text += kDigits[page[i] & 0x0F];
  }
  text += '\n';
}

// ---------------------------------------------------------------- reading

struct Token {
  std::string_view text;
  int line = 0;
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// Splits the text into white-space separated tokens with their line numbers.
// A token that starts with '#' comments out the rest of its line.
std::vector<Token> Tokenize(std::string_view text) {
  std::vector<Token> tokens;
  int line = 1;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\n') {
      ++line;
      ++i;
    } else if (IsSpace(c)) {
      ++i;
    } else if (c == '#') {
      while (i < text.size() && text[i] != '\n') ++i;
    } else {
      const std::size_t start = i;
      while (i < text.size() && !IsSpace(text[i])) ++i;
      tokens.push_back({text.substr(start, i - start), line});
    }
  }
  return tokens;
}

// A token as it may appear inside a one-line message: short, quoted, and
// with anything unprintable escaped, so a binary file cannot break the line.
std::string Quote(std::string_view token) {
  constexpr std::size_t kShown = 24;
  std::string quoted = "'";
  for (std::size_t i = 0; i < token.size() && i < kShown; ++i) {
    const unsigned char c = static_cast<unsigned char>(token[i]);
    if (c >= 0x20 && c < 0x7F && c != '\'' && c != '\\') {
      quoted += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      quoted += escaped;
    }
  }
  if (token.size() > kShown) quoted += "...";
  return quoted + "'";
}

// A command as one run of lower-case hex digits, as the capture writes it.
std::string CdbText(std::span<const uint8_t> cdb) {
  std::string text;
  for (const uint8_t byte : cdb) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02x", byte);
    text += digits;
  }
  return text;
}

// Asked of every token of hex in a page: the words' lengths are known at
// compile time, so most comparisons end at the length.
bool IsKeyword(std::string_view token) {
  static constexpr std::string_view kKeywords[] = {
      "device-map",         "geometry",    "power-mode",    "enable",          "identify",           "smart-data",
      "smart-thresholds",   "interface",   "nvme-identify", "nvme-health-log", "nvme-sensor-kelvin", "smart-log",
      "nvme-self-test-log", "scsi-answer", "usb-bridge",    "bridge-answer",   "bridge-sent"};
  for (const std::string_view keyword : kKeywords) {
    if (token == keyword) return true;
  }
  return false;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& value, int base = 10) {
  if (text.empty()) return false;
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return status == std::errc() && end == text.data() + text.size();
}

// The device map and power mode are written as 0x.. but plain decimal is read too.
bool ParseByte(std::string_view text, uint8_t& value) {
  unsigned number = 0;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  if (!(hex ? ParseNumber(text.substr(2), number, 16) : ParseNumber(text, number))) return false;
  if (number > 0xFF) return false;
  value = static_cast<uint8_t>(number);
  return true;
}

class Parser {
 public:
  Parser(std::string_view text, const std::string& fileName)
      : tokens_(Tokenize(text)), fileName_(fileName), lastLine_(tokens_.empty() ? 1 : tokens_.back().line) {}

  bool Parse(DriveCapture& capture) {
    while (next_ < tokens_.size()) {
      const Token keyword = tokens_[next_++];
      bool parsed = false;
      if (keyword.text == "device-map") {
        parsed = ParseDeviceMap(keyword, capture);
      } else if (keyword.text == "geometry") {
        parsed = ParseGeometry(keyword, capture);
      } else if (keyword.text == "power-mode") {
        parsed = ParsePowerMode(keyword, capture);
      } else if (keyword.text == "enable") {
        parsed = ParseEnable(keyword, capture);
      } else if (keyword.text == "identify") {
        parsed = ParsePage(keyword, capture.identify);
      } else if (keyword.text == "smart-data") {
        parsed = ParsePage(keyword, capture.smartData);
      } else if (keyword.text == "smart-thresholds") {
        parsed = ParsePage(keyword, capture.smartThresholds);
      } else if (keyword.text == "interface") {
        parsed = ParseInterface(keyword, capture);
      } else if (keyword.text == "nvme-identify") {
        parsed = ParseWholeDriveBytes(keyword, capture.nvmeIdentify);
      } else if (keyword.text == "nvme-health-log") {
        parsed = ParseWholeDriveBytes(keyword, capture.nvmeHealthLog);
      } else if (keyword.text == "nvme-sensor-kelvin") {
        parsed = ParseSensor(keyword, capture);
      } else if (keyword.text == "smart-log") {
        parsed = ParseSmartLog(keyword, capture);
      } else if (keyword.text == "nvme-self-test-log") {
        parsed = ParseWholeDriveBytes(keyword, capture.nvmeSelfTestLog);
      } else if (keyword.text == "scsi-answer") {
        parsed = ParseScsiAnswer(keyword, capture);
      } else if (keyword.text == "usb-bridge") {
        parsed = ParseUsbBridge(keyword, capture);
      } else if (keyword.text == "bridge-answer" || keyword.text == "bridge-sent") {
        parsed = ParseBridgeTransfer(keyword, capture);
      } else {
        return Fail(
            keyword.line,
            "expected device-map, geometry, power-mode, enable, identify, smart-data, smart-thresholds, "
            "smart-log, interface, scsi-answer, usb-bridge, bridge-answer, bridge-sent or an nvme- keyword, found " +
                Quote(keyword.text));
      }
      if (!parsed) return false;
    }
    return true;
  }

  const std::string& error() const { return error_; }

 private:
  bool Fail(int line, const std::string& what) {
    error_ = fileName_ + ":" + std::to_string(line) + ": " + what;
    return false;
  }

  // The value after a keyword. When the file stops first, the error points
  // at its last line with anything on it.
  bool TakeValue(const Token& keyword, const char* what, Token& value) {
    if (next_ >= tokens_.size()) {
      return Fail(lastLine_, std::string("expected ") + what + " after '" + std::string(keyword.text) +
                                 "', found the end of the file");
    }
    value = tokens_[next_++];
    return true;
  }

  bool Duplicate(const Token& keyword, const std::string& subject) {
    return Fail(keyword.line, "'" + subject + "' given twice");
  }

  bool ParsePosition(const Token& keyword, int& position) {
    Token token;
    if (!TakeValue(keyword, "a device-map position 0..3", token)) return false;
    unsigned value = 0;
    if (!ParseNumber(token.text, value) || value >= kPositions) {
      return Fail(token.line, "expected a device-map position 0..3 after '" + std::string(keyword.text) + "', found " +
                                  Quote(token.text));
    }
    position = static_cast<int>(value);
    return true;
  }

  bool ParseDeviceMap(const Token& keyword, DriveCapture& capture) {
    Token token;
    if (!TakeValue(keyword, "a device map byte such as 0x01", token)) return false;
    uint8_t map = 0;
    if (!ParseByte(token.text, map)) {
      return Fail(token.line, "expected a device map byte such as 0x01, found " + Quote(token.text));
    }
    if (capture.deviceMap) return Duplicate(keyword, "device-map");
    capture.deviceMap = map;
    return true;
  }

  bool ParseGeometry(const Token& keyword, DriveCapture& capture) {
    static constexpr const char* kNames[] = {"cylinders", "tracks per cylinder", "sectors per track",
                                             "bytes per sector"};
    DriveGeometry geometry;
    for (int field = 0; field < 4; ++field) {
      Token token;
      const std::string what = std::string("the ") + kNames[field] + " (a whole number)";
      if (!TakeValue(keyword, what.c_str(), token)) return false;
      // The cylinder count is signed only because Windows keeps it in a
      // signed 64-bit field; no drive reports fewer than none.
      const bool ok = field == 0   ? ParseNumber(token.text, geometry.cylinders) && geometry.cylinders >= 0
                      : field == 1 ? ParseNumber(token.text, geometry.tracksPerCylinder)
                      : field == 2 ? ParseNumber(token.text, geometry.sectorsPerTrack)
                                   : ParseNumber(token.text, geometry.bytesPerSector);
      if (!ok) return Fail(token.line, "expected " + what + " in 'geometry', found " + Quote(token.text));
    }
    if (capture.geometry) return Duplicate(keyword, "geometry");
    capture.geometry = geometry;
    return true;
  }

  bool ParsePowerMode(const Token& keyword, DriveCapture& capture) {
    int position = 0;
    if (!ParsePosition(keyword, position)) return false;
    const std::string name = "power-mode " + std::to_string(position);
    Token token;
    if (!TakeValue(keyword, "a power mode byte such as 0x00", token)) return false;
    uint8_t mode = 0;
    if (!ParseByte(token.text, mode)) {
      return Fail(token.line,
                  "expected a power mode byte such as 0x00 after '" + name + "', found " + Quote(token.text));
    }
    if (capture.powerMode[position]) return Duplicate(keyword, name);
    capture.powerMode[position] = mode;
    return true;
  }

  bool ParseSmartLog(const Token& keyword, DriveCapture& capture) {
    int position = 0;
    if (!ParsePosition(keyword, position)) return false;
    Token token;
    if (!TakeValue(keyword, "a log address such as 0x06", token)) return false;
    uint8_t address = 0;
    if (!ParseByte(token.text, address)) {
      return Fail(token.line, "expected a log address such as 0x06 after 'smart-log " + std::to_string(position) +
                                  "', found " + Quote(token.text));
    }
    const std::string name = "smart-log " + std::to_string(position) + " " + std::string(token.text);
    Page page{};
    if (!ParseHex(name, page)) return false;
    if (!capture.smartLogs[position].emplace(address, page).second) return Duplicate(keyword, name);
    return true;
  }

  // `scsi-answer CDB N`: the command as one run of hex digits (6 to 16
  // bytes), the count of bytes the drive sent, then those bytes.
  bool ParseScsiAnswer(const Token& keyword, DriveCapture& capture) {
    ScsiCdb cdb;
    std::vector<uint8_t> answer;
    if (!ParseCommandBytes(keyword, scsi::kMostDataIn, cdb, answer)) return false;
    if (!capture.scsiAnswers.emplace(cdb, answer).second) {
      return Duplicate(keyword, "scsi-answer " + CdbText(cdb));
    }
    return true;
  }

  // `bridge-answer CDB N` and `bridge-sent CDB N`, laid out as scsi-answer:
  // what an NVMe bridge chip sent for one of its own commands, and a block
  // it took with one.
  bool ParseBridgeTransfer(const Token& keyword, DriveCapture& capture) {
    constexpr std::size_t kLongestBridgeData = std::tuple_size_v<NvmeIdentifyData>;
    ScsiCdb cdb;
    std::vector<uint8_t> bytes;
    if (!ParseCommandBytes(keyword, kLongestBridgeData, cdb, bytes)) return false;
    const bool added = keyword.text == "bridge-sent" ? capture.bridgeSent.emplace(cdb, bytes).second
                                                     : capture.bridgeAnswers.emplace(cdb, bytes).second;
    if (!added) return Duplicate(keyword, std::string(keyword.text) + " " + CdbText(cdb));
    return true;
  }

  // The command in hex (6 to 16 bytes), a count of at most `longest`, then
  // that many bytes.
  bool ParseCommandBytes(const Token& keyword, std::size_t longest, ScsiCdb& cdb, std::vector<uint8_t>& bytes) {
    constexpr std::size_t kShortestCdb = 6;
    constexpr std::size_t kLongestCdb = 16;
    const std::string word(keyword.text);
    Token token;
    if (!TakeValue(keyword, "a SCSI command in hex", token)) return false;
    for (std::size_t i = 0; i + 1 < token.text.size() && token.text.size() % 2 == 0; i += 2) {
      const int high = HexValue(token.text[i]);
      const int low = HexValue(token.text[i + 1]);
      if (high < 0 || low < 0) break;
      cdb.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    if (cdb.size() * 2 != token.text.size() || cdb.size() < kShortestCdb || cdb.size() > kLongestCdb) {
      return Fail(token.line,
                  "expected a SCSI command of 6 to 16 bytes in hex after '" + word + "', found " + Quote(token.text));
    }
    const std::string name = word + " " + std::string(token.text);
    Token count;
    if (!TakeValue(keyword, "the count of bytes answered", count)) return false;
    std::size_t length = 0;
    if (!ParseNumber(count.text, length) || length > longest) {
      return Fail(count.line, "expected a count of bytes 0.." + std::to_string(longest) + " after '" + name +
                                  "', found " + Quote(count.text));
    }
    bytes.resize(length);
    return ParseHex(name, bytes);
  }

  // `usb-bridge VVVV:PPPP RRRR DRIVER`: the ids and release in four hex
  // digits each, the interface's driver ("-" for none).
  bool ParseUsbBridge(const Token& keyword, DriveCapture& capture) {
    Token ids;
    Token release;
    Token driver;
    if (!TakeValue(keyword, "the bridge's vendor:product ids", ids) ||
        !TakeValue(keyword, "the bridge's release", release) || !TakeValue(keyword, "the bridge's driver", driver)) {
      return false;
    }
    UsbBridge bridge;
    const std::string_view text = ids.text;
    if (text.size() != 9 || text[4] != ':' || !ParseNumber(text.substr(0, 4), bridge.vendor, 16) ||
        !ParseNumber(text.substr(5), bridge.product, 16)) {
      return Fail(ids.line, "expected vendor:product ids such as 46f4:0001 after 'usb-bridge', found " + Quote(text));
    }
    if (release.text.size() != 4 || !ParseNumber(release.text, bridge.release, 16)) {
      return Fail(release.line, "expected a release of four hex digits after 'usb-bridge " + std::string(text) +
                                    "', found " + Quote(release.text));
    }
    if (driver.text != "-" && !IsUsbDriverName(driver.text)) {
      return Fail(driver.line, "expected a driver name such as uas after 'usb-bridge " + std::string(text) + " " +
                                   std::string(release.text) + "', found " + Quote(driver.text));
    }
    if (driver.text != "-") bridge.driver = std::string(driver.text);
    if (capture.usbBridge) return Duplicate(keyword, "usb-bridge");
    capture.usbBridge = bridge;
    return true;
  }

  bool ParseEnable(const Token& keyword, DriveCapture& capture) {
    int position = 0;
    if (!ParsePosition(keyword, position)) return false;
    Token token;
    if (!TakeValue(keyword, "ok or fail", token)) return false;
    if (token.text != "ok" && token.text != "fail") {
      return Fail(token.line,
                  "expected ok or fail after 'enable " + std::to_string(position) + "', found " + Quote(token.text));
    }
    if (capture.enable[position]) return Duplicate(keyword, "enable " + std::to_string(position));
    capture.enable[position] = token.text == "ok";
    return true;
  }

  bool ParseInterface(const Token& keyword, DriveCapture& capture) {
    Token token;
    if (!TakeValue(keyword, "ata or nvme", token)) return false;
    if (token.text != "ata" && token.text != "nvme") {
      return Fail(token.line, "expected ata or nvme after 'interface', found " + Quote(token.text));
    }
    if (interfaceSeen_) return Duplicate(keyword, "interface");
    interfaceSeen_ = true;
    capture.nvme = token.text == "nvme";
    return true;
  }

  bool ParseSensor(const Token& keyword, DriveCapture& capture) {
    Token token;
    if (!TakeValue(keyword, "a temperature in kelvin (0..65535)", token)) return false;
    uint16_t kelvin = 0;
    if (!ParseNumber(token.text, kelvin)) {
      return Fail(token.line,
                  "expected a temperature in kelvin (0..65535) after 'nvme-sensor-kelvin', found " + Quote(token.text));
    }
    if (capture.nvmeSensorKelvin) return Duplicate(keyword, "nvme-sensor-kelvin");
    capture.nvmeSensorKelvin = kelvin;
    return true;
  }

  template <std::size_t N>
  bool ParseWholeDriveBytes(const Token& keyword, std::optional<std::array<uint8_t, N>>& section) {
    const std::string name(keyword.text);
    std::array<uint8_t, N> bytes{};
    if (!ParseHex(name, bytes)) return false;
    if (section) return Duplicate(keyword, name);
    section = bytes;
    return true;
  }

  bool ParsePage(const Token& keyword, std::array<std::optional<Page>, 4>& pages) {
    int position = 0;
    if (!ParsePosition(keyword, position)) return false;
    const std::string name = std::string(keyword.text) + " " + std::to_string(position);
    Page page{};
    if (!ParseHex(name, page)) return false;
    if (pages[position]) return Duplicate(keyword, name);
    pages[position] = page;
    return true;
  }

  // Two hex digits a byte in as many tokens as the writer liked. The bytes
  // end exactly there: a token that runs past them, or a keyword before
  // them, is an error rather than a guess.
  bool ParseHex(const std::string& name, std::span<uint8_t> page) {
    const std::size_t wanted = 2 * page.size();
    const std::string expected = "expected " + std::to_string(wanted) + " hex digits after '" + name + "', found ";
    std::size_t digits = 0;
    while (digits < wanted) {
      if (next_ >= tokens_.size()) {
        return Fail(lastLine_, expected + std::to_string(digits) + " before the end of the file");
      }
      const Token& token = tokens_[next_];
      if (IsKeyword(token.text)) {
        return Fail(token.line, expected + std::to_string(digits) + " before " + Quote(token.text));
      }
      for (std::size_t i = 0; i < token.text.size(); ++i) {
        const int value = HexValue(token.text[i]);
        if (value < 0) {
          return Fail(token.line, "expected a hex digit in the page of '" + name + "', found " +
                                      Quote(token.text.substr(i, 1)) + " in " + Quote(token.text));
        }
        if (digits == wanted) {
          return Fail(token.line, "the page of '" + name + "' has more than " + std::to_string(wanted) + " hex digits");
        }
        page[digits / 2] = static_cast<uint8_t>(page[digits / 2] | (digits % 2 == 0 ? value << 4 : value));
        ++digits;
      }
      ++next_;
    }
    return true;
  }

  std::vector<Token> tokens_;
  std::size_t next_ = 0;
  const std::string& fileName_;
  int lastLine_;  // of the last token
  std::string error_;
  bool interfaceSeen_ = false;
};

}  // namespace

std::string FormatCapture(const DriveCapture& capture) {
  std::string text;
  if (capture.deviceMap) {
    char line[32];
    std::snprintf(line, sizeof line, "device-map 0x%02x\n", *capture.deviceMap);
    text += line;
  }
  if (capture.geometry) {
    const DriveGeometry& g = *capture.geometry;
    text += "geometry " + std::to_string(g.cylinders) + " " + std::to_string(g.tracksPerCylinder) + " " +
            std::to_string(g.sectorsPerTrack) + " " + std::to_string(g.bytesPerSector) + "\n";
  }
  if (capture.nvme) text += "interface nvme\n";
  if (capture.nvmeIdentify) AppendPage(text, "nvme-identify", -1, *capture.nvmeIdentify);
  if (capture.nvmeHealthLog) AppendPage(text, "nvme-health-log", -1, *capture.nvmeHealthLog);
  if (capture.nvmeSensorKelvin) text += "nvme-sensor-kelvin " + std::to_string(*capture.nvmeSensorKelvin) + "\n";
  if (capture.nvmeSelfTestLog) AppendPage(text, "nvme-self-test-log", -1, *capture.nvmeSelfTestLog);
  if (capture.usbBridge) {
    const UsbBridge& bridge = *capture.usbBridge;
    char line[48];
    std::snprintf(line, sizeof line, "usb-bridge %04x:%04x %04x ", static_cast<unsigned>(bridge.vendor),
                  static_cast<unsigned>(bridge.product), static_cast<unsigned>(bridge.release));
    text += line + (bridge.driver.empty() ? std::string("-") : bridge.driver) + "\n";
  }
  for (const auto& [cdb, answer] : capture.scsiAnswers) {
    const std::string header = "scsi-answer " + CdbText(cdb) + " " + std::to_string(answer.size());
    AppendPage(text, header.c_str(), -1, answer);
  }
  for (const auto& [cdb, block] : capture.bridgeSent) {
    const std::string header = "bridge-sent " + CdbText(cdb) + " " + std::to_string(block.size());
    AppendPage(text, header.c_str(), -1, block);
  }
  for (const auto& [cdb, answer] : capture.bridgeAnswers) {
    const std::string header = "bridge-answer " + CdbText(cdb) + " " + std::to_string(answer.size());
    AppendPage(text, header.c_str(), -1, answer);
  }
  for (int position = 0; position < kPositions; ++position) {
    if (capture.powerMode[position]) {
      char line[32];
      std::snprintf(line, sizeof line, "power-mode %d 0x%02x\n", position, *capture.powerMode[position]);
      text += line;
    }
    if (capture.enable[position]) {
      text += "enable " + std::to_string(position) + (*capture.enable[position] ? " ok\n" : " fail\n");
    }
    if (capture.identify[position]) AppendPage(text, "identify", position, *capture.identify[position]);
    if (capture.smartData[position]) AppendPage(text, "smart-data", position, *capture.smartData[position]);
    if (capture.smartThresholds[position]) {
      AppendPage(text, "smart-thresholds", position, *capture.smartThresholds[position]);
    }
    for (const auto& [address, page] : capture.smartLogs[position]) {
      char header[32];
      std::snprintf(header, sizeof header, "smart-log %d 0x%02x", position, address);
      AppendPage(text, header, -1, page);
    }
  }
  return text;
}

bool ParseCapture(std::string_view text, const std::string& fileName, DriveCapture& capture, std::string& error) {
  // Parsed into a fresh record and handed over only when the whole file was
  // good, so a bad line never leaves a half-read capture behind.
  DriveCapture parsed;
  Parser parser(text, fileName);
  if (!parser.Parse(parsed)) {
    error = parser.error();
    return false;
  }
  capture = parsed;
  return true;
}

}  // namespace taruk
