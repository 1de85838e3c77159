#include "core/settings/settings_format.h"

#include <cstdint>
#include <cstdio>

#include "core/base/cp1251.h"

namespace taruk {

namespace {

// The Russian locale's thousands separator; code page 1251 byte 0xA0.
constexpr wchar_t kGroupSeparator = L'\u00A0';

std::wstring GroupDigits(uint64_t magnitude) {
  const std::wstring digits = std::to_wstring(magnitude);
  std::wstring grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += kGroupSeparator;
    grouped += digits[i];
  }
  return grouped;
}

std::wstring FormatSigned(int32_t value) {
  const int64_t wide = value;
  return wide < 0 ? L"-" + GroupDigits(static_cast<uint64_t>(-wide)) : GroupDigits(static_cast<uint64_t>(wide));
}

// The white space of the classic locale; the no-break space is not among it,
// so it can only appear inside a number or a word.
bool IsSpace(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Extraction with the state of a C++ input stream: `failed` is its failbit,
// `atEnd` its eofbit. Nothing is extracted once either is set.
class ValueReader {
 public:
  explicit ValueReader(SettingsInput& input) : input_(input) {}

  // Names the value read next, for the problem a failure leaves.
  void NextValue(int number, const char* name) {
    valueNumber_ = number;
    valueName_ = name;
  }
  // The first failure's account; empty while none.
  const std::string& Problem() const { return problem_; }
  bool Failed() const { return failed_; }

  // True when nothing but white space is left (which is then skipped).
  bool OnlySpaceLeft() {
    for (int c = Peek(); c >= 0; c = Peek()) {
      if (!IsSpace(c)) return false;
      input_.Advance();
    }
    return true;
  }

  void ReadSigned(int32_t& field) {
    int64_t value = 0;
    if (ReadNumber(false, value)) field = static_cast<int32_t>(value);
  }

  void ReadUnsigned(uint32_t& field) {
    int64_t value = 0;
    if (ReadNumber(true, value)) field = static_cast<uint32_t>(value);
  }

  void ReadAction(AlarmAction& field) {
    int32_t value = static_cast<int32_t>(field);
    ReadSigned(value);
    field = static_cast<AlarmAction>(value);
  }

  // The field always takes the word read, an empty one when nothing could be
  // read.
  void ReadWord(std::wstring& field) {
    field.clear();
    if (!StartValue()) return;
    std::wstring word;
    for (int c = Peek(); c >= 0 && !IsSpace(c); c = Peek()) {
      if (word.size() == kMaxSettingsWord) {
        // too long for the word buffer: refused whole
        Fail("is longer than " + std::to_string(kMaxSettingsWord) + " characters");
        return;
      }
      word += static_cast<wchar_t>(c);
      input_.Advance();
    }
    // The word was a zero-terminated buffer in the Windows version: a NUL
    // byte ended its text there.
    field = word.substr(0, word.find(L'\0'));
  }

 private:
  int Peek() {
    const int c = input_.Peek();
    if (c < 0) atEnd_ = true;
    return c;
  }

  // The stream's sentry: a value is extracted only from a good stream, after
  // its leading white space; running out of text first fails the stream.
  bool StartValue() {
    if (failed_ || atEnd_) {
      Fail("is missing: the text ends before it");
      return false;
    }
    if (!OnlySpaceLeft()) return true;
    Fail("is missing: the text ends before it");
    return false;
  }

  void Fail(const std::string& what) {
    if (!failed_) {
      problem_ = "value " + std::to_string(valueNumber_) + " (" + valueName_ + ") " + what;
    }
    failed_ = true;
  }

  // An optional sign, then decimal digits, with 0xA0 allowed between groups
  // of three counted from the right. An unsigned value may carry a minus
  // sign, which wraps it modulo 2^32 as the C library's strtoul does.
  bool ReadNumber(bool isUnsigned, int64_t& value) {
    if (!StartValue()) return false;
    bool negative = false;
    if (const int c = Peek(); c == '+' || c == '-') {
      negative = c == '-';
      input_.Advance();
    }
    constexpr uint64_t kLimit = uint64_t{1} << 33;  // beyond every 32-bit value
    uint64_t magnitude = 0;
    size_t digits = 0;
    size_t groupDigits = 0;
    size_t separators = 0;
    bool groupsWrong = false;
    for (int c = Peek(); c >= 0; c = Peek()) {
      if (c >= '0' && c <= '9') {
        if (magnitude < kLimit) magnitude = magnitude * 10 + static_cast<uint64_t>(c - '0');
        ++digits;
        ++groupDigits;
      } else if (c == kGroupSeparator) {
        // The first group holds one to three digits, every later one three.
        if (groupDigits == 0 || groupDigits > 3 || (separators > 0 && groupDigits != 3)) {
          groupsWrong = true;
        }
        ++separators;
        groupDigits = 0;
      } else {
        break;
      }
      input_.Advance();
    }
    if (separators > 0 && groupDigits != 3) groupsWrong = true;
    const uint64_t highest = isUnsigned ? UINT32_MAX : negative ? uint64_t{1} << 31 : INT32_MAX;
    if (digits == 0 || groupsWrong || magnitude > highest) {
      Fail("at offset " + std::to_string(input_.Offset()) + " is not a number it can hold");
      return false;
    }
    if (isUnsigned) {
      value = negative ? static_cast<int64_t>((UINT64_C(1) << 32) - magnitude) & UINT32_MAX
                       : static_cast<int64_t>(magnitude);
    } else {
      value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    }
    return true;
  }

  SettingsInput& input_;
  bool failed_ = false;
  bool atEnd_ = false;
  int valueNumber_ = 0;
  const char* valueName_ = "";
  std::string problem_;
};

}  // namespace

bool FormatSettings(const MonitorConfig& config, std::string& bytes) {
  std::wstring line = FormatSigned(config.pollInterval) + L' ' + FormatSigned(config.criticalTemperature) + L' ' +
                      FormatSigned(static_cast<int32_t>(config.temperatureAction)) + L' ' +
                      GroupDigits(config.minimumFreeSpace) + L' ' +
                      FormatSigned(static_cast<int32_t>(config.freeSpaceAction)) + L' ' + config.emailAddress + L' ' +
                      config.smtpServer;
  // The Windows version's seven values alone while the health action is at
  // its default, so that its file comes back byte for byte.
  if (config.healthAction != MonitorConfig().healthAction) {
    line += L' ' + FormatSigned(static_cast<int32_t>(config.healthAction));
  }
  return EncodeCp1251(line, bytes);
}

int SettingsInput::Peek() {
  while (!ended_) {
    if (position_ < buffered_.size()) {
      const int c = DecodeCp1251Byte(static_cast<unsigned char>(buffered_[position_]));
      if (c >= 0) return c;
      ended_ = true;  // the conversion stops at a byte it can't decode
      char text[96];
      std::snprintf(text, sizeof text, "byte 0x%02X at offset %zu is not a character of code page 1251",
                    static_cast<unsigned char>(buffered_[position_]), chunkStart_ + position_);
      endedEarly_ = text;
    } else if (!Refill()) {
      ended_ = true;
    }
  }
  return -1;
}

bool SettingsInput::Refill() {
  if (!file_) return false;
  const long long got = file_->Read(chunk_, sizeof chunk_);
  if (got < 0) endedEarly_ = "a read error: " + file_->ErrorText();
  if (got <= 0) return false;
  chunkStart_ += buffered_.size();
  buffered_ = std::string_view(chunk_, static_cast<size_t>(got));
  position_ = 0;
  return true;
}

SettingsReading ReadSettings(SettingsInput& input, MonitorConfig& config) {
  ValueReader reader(input);
  reader.NextValue(1, "the poll interval");
  reader.ReadSigned(config.pollInterval);
  reader.NextValue(2, "the critical temperature");
  reader.ReadSigned(config.criticalTemperature);
  reader.NextValue(3, "the temperature action");
  reader.ReadAction(config.temperatureAction);
  reader.NextValue(4, "the minimum free space");
  reader.ReadUnsigned(config.minimumFreeSpace);
  reader.NextValue(5, "the free-space action");
  reader.ReadAction(config.freeSpaceAction);
  reader.NextValue(6, "the e-mail address");
  reader.ReadWord(config.emailAddress);
  reader.NextValue(7, "the SMTP server");
  reader.ReadWord(config.smtpServer);
  // The Windows version's files end here.
  const bool endsAfterSeven = !reader.Failed() && reader.OnlySpaceLeft();
  reader.NextValue(8, "the health action");
  reader.ReadAction(config.healthAction);

  SettingsReading reading;
  if (!input.EndedEarly().empty()) {
    reading.problem = input.EndedEarly();
  } else if (endsAfterSeven) {
    return reading;
  } else if (!reader.Problem().empty()) {
    reading.problem = reader.Problem();
  } else if (!reader.OnlySpaceLeft()) {
    reading.problem = "something follows the last value";
  } else {
    return reading;
  }
  reading.whole = false;
  return reading;
}

SettingsReading ReadSettingsText(std::string_view bytes, MonitorConfig& config) {
  SettingsInput input(bytes);
  return ReadSettings(input, config);
}

}  // namespace taruk
