#include "core/view/setting_names.h"

#include <cstdio>
#include <string_view>

#include "core/alarm/alarm_mail_schedule.h"
#include "core/base/cp1251.h"
#include "core/base/path_text.h"
#include "core/base/utf8_text.h"
#include "core/base/wide_char.h"
#include "core/monitor/self_test_schedule_store.h"
#include "core/settings/settings_format.h"

namespace taruk {

namespace {

using K = SettingKind;
using X = OptionsExchange;

// The Options dialog hands numbers over as signed 32-bit texts.
constexpr int64_t kInt32Least = INT32_MIN;
constexpr int64_t kInt32Most = INT32_MAX;

NamedSetting ConfNumber(const char* name, std::wstring X::*text, std::wstring (*check)(const std::wstring&),
                        int64_t least, int64_t most) {
  return {.name = name,
          .store = SettingStore::ConfDat,
          .kind = K::Number,
          .exchangeText = text,
          .dialogCheck = check,
          .least = least,
          .most = most};
}

NamedSetting ConfAction(const char* name, int32_t X::*action) {
  return {.name = name, .store = SettingStore::ConfDat, .kind = K::Action, .exchangeAction = action};
}

NamedSetting ConfWord(const char* name, std::wstring X::*text) {
  return {.name = name, .store = SettingStore::ConfDat, .kind = K::Word, .exchangeText = text};
}

NamedSetting Side(const char* name, SettingKind kind, const char* table, const char* key, int64_t least = 0,
                  int64_t most = 0, const char* choices = nullptr) {
  return {.name = name,
          .store = SettingStore::SideFile,
          .kind = kind,
          .table = table,
          .key = key,
          .least = least,
          .most = most,
          .choices = choices};
}

const char* const kActionNames[] = {"none", "notification", "shutdown", "suspend", "hibernate", "sound", "email"};

bool ParseDecimal(std::string_view text, int64_t& value) {
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) ++i;
  if (i == text.size() || text.size() - i > 12) return false;
  value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  if (negative) value = -value;
  return true;
}

std::string CharacterName(char32_t c) {
  char code[32];
  if (c >= 0xDC80 && c <= 0xDCFF) {
    // path_text's escape of a byte that was not UTF-8
    std::snprintf(code, sizeof code, "the byte 0x%02X (not UTF-8)", static_cast<unsigned>(c - 0xDC00));
    return code;
  }
  std::snprintf(code, sizeof code, " (U+%04X)", static_cast<unsigned>(c));
  std::string name = "'";
  if (c >= 0x20 && c != 0x7F) {
    AppendUtf8(c, name);
  } else {
    name += "?";
  }
  return name + "'" + code;
}

// conf.dat reads each text as one word of at most kMaxSettingsWord
// characters: an empty one, or one with white space, would shift every later
// value, and a longer one would leave a file that is never written again.
bool CheckWord(const std::wstring& word, std::string& error) {
  if (word.empty()) {
    error = "needs a value (conf.dat keeps each text as one word)";
    return false;
  }
  if (word.size() > kMaxSettingsWord) {
    error = "is longer than " + std::to_string(kMaxSettingsWord) + " characters, which conf.dat can't hold";
    return false;
  }
  std::string bytes;
  for (size_t i = 0; i < word.size();) {
    size_t units = 1;
    const char32_t c = CharacterAt(word, i, units);
    if (c == U' ' || (c >= U'\t' && c <= U'\r') || c == 0) {
      error = "holds " + CharacterName(c) + ": conf.dat keeps each text as one word, without white space";
      return false;
    }
    if (!EncodeCp1251(word.substr(i, units), bytes)) {
      error = "holds " + CharacterName(c) + ", which code page 1251 (the text of conf.dat) does not have";
      return false;
    }
    i += units;
  }
  return true;
}

bool IsChoice(const char* choices, const std::string& value) {
  std::string_view rest(choices);
  while (!rest.empty()) {
    const size_t space = rest.find(' ');
    if (rest.substr(0, space) == value) return true;
    if (space == std::string_view::npos) break;
    rest.remove_prefix(space + 1);
  }
  return false;
}

// Where the dialog checks the number itself, its message gives the range.
std::string RangeText(const NamedSetting& setting) {
  if (setting.dialogCheck) return "a whole number";
  return "a whole number from " + std::to_string(setting.least) + " to " + std::to_string(setting.most);
}

bool CheckValue(const NamedSetting& setting, const std::string& value, std::string& error) {
  if (value.empty()) {
    if (setting.store == SettingStore::SideFile) return true;  // back to the default
    error = "needs a value";
    return false;
  }
  int64_t number = 0;
  switch (setting.kind) {
    case K::Number:
      if (!ParseDecimal(value, number) || number < setting.least || number > setting.most) {
        error = "takes " + RangeText(setting) + ", not " + value;
        return false;
      }
      if (setting.dialogCheck) {
        const std::wstring refusal = setting.dialogCheck(PathBytesToWide(value));
        if (!refusal.empty()) {
          error = ToUtf8(refusal);
          return false;
        }
      }
      return true;
    case K::Action:
      for (const char* name : kActionNames) {
        if (value == name) return true;
      }
      if (ParseDecimal(value, number) && number >= 0 && number <= 6) return true;
      error = "takes none, notification, shutdown, suspend, hibernate, sound or email (or 0 to 6), not " + value;
      return false;
    case K::Word:
      return CheckWord(PathBytesToWide(value), error);
    case K::Text:
      return true;  // taruk.toml's editor refuses what TOML can't hold
    case K::Choice:
      if (IsChoice(setting.choices, value)) return true;
      error = "takes one of: " + std::string(setting.choices) + "; not " + value;
      return false;
    case K::Switch:
      if (value == "true" || value == "false") return true;
      error = "takes true or false, not " + value;
      return false;
  }
  return false;
}

int32_t ActionNumber(const std::string& value) {
  for (int32_t i = 0; i < 7; ++i) {
    if (value == kActionNames[i]) return i;
  }
  int64_t number = 0;
  ParseDecimal(value, number);
  return static_cast<int32_t>(number);
}

}  // namespace

const std::vector<NamedSetting>& NamedSettings() {
  static const std::vector<NamedSetting> table = {
      // conf.dat, in the file's order
      ConfNumber("poll.interval", &X::pollIntervalText, PollIntervalInputError, kInt32Least, kInt32Most),
      ConfNumber("temperature.critical", &X::criticalTemperatureText, CriticalTemperatureInputError, kInt32Least,
                 kInt32Most),
      ConfAction("temperature.action", &X::temperatureAction),
      // The dialog takes any text here and wraps a negative number to 32
      // bits; typed, only a size makes sense.
      ConfNumber("freespace.minimum", &X::minimumFreeSpaceText, nullptr, 0, kInt32Most),
      ConfAction("freespace.action", &X::freeSpaceAction),
      ConfWord("mail.address", &X::emailAddress),
      ConfWord("mail.server", &X::smtpServer),
      ConfAction("health.action", &X::healthAction),
      // taruk.toml
      Side("mail.port", K::Number, "mail", "port", 1, 65535),
      Side("mail.security", K::Choice, "mail", "security", 0, 0, "none starttls tls"),
      Side("mail.user", K::Text, "mail", "user"),
      Side("mail.sender", K::Text, "mail", "sender"),
      Side("mail.ca-file", K::Text, "mail", "ca-file"),
      Side("mail.fingerprint", K::Text, "mail", "fingerprint"),
      Side("mail.reminder-hours", K::Number, "mail", "reminder-hours", 0, kMostReminderHours),
      Side("selftest.enabled", K::Switch, "selftest", "enabled"),
      Side("selftest.short-every-days", K::Number, "selftest", "short-every-days", 0, kMostSelfTestDays),
      Side("selftest.extended-every-days", K::Number, "selftest", "extended-every-days", 0, kMostSelfTestDays),
      Side("tray.icon", K::Choice, "tray", "icon", 0, 0, "health temperature"),
  };
  return table;
}

const NamedSetting* FindNamedSetting(const std::string& name) {
  for (const NamedSetting& setting : NamedSettings()) {
    if (name == setting.name) return &setting;
  }
  return nullptr;
}

const char* ActionName(int32_t action) { return action >= 0 && action <= 6 ? kActionNames[action] : nullptr; }

bool ParseSettingAssignment(const std::string& text, SettingAssignment& assignment, std::string& error) {
  const size_t equals = text.find('=');
  const std::string name = text.substr(0, equals);
  if (equals == std::string::npos) {
    error = "expected NAME=VALUE, not " + text;
    return false;
  }
  assignment.setting = FindNamedSetting(name);
  if (!assignment.setting) {
    error = "no setting is named " + name + " (taruk --settings lists them)";
    return false;
  }
  assignment.value = text.substr(equals + 1);
  return CheckValue(*assignment.setting, assignment.value, error);
}

void ApplyToConfig(const std::vector<SettingAssignment>& assignments, MonitorConfig& config) {
  OptionsExchange exchange = OptionsExchangeFromConfig(config);
  for (const SettingAssignment& assignment : assignments) {
    const NamedSetting& setting = *assignment.setting;
    if (setting.store != SettingStore::ConfDat) continue;
    if (setting.exchangeText) exchange.*setting.exchangeText = PathBytesToWide(assignment.value);
    if (setting.exchangeAction) exchange.*setting.exchangeAction = ActionNumber(assignment.value);
  }
  ApplyOptionsExchange(exchange, config);
}

std::vector<SideSettingChange> SideChangesOf(const std::vector<SettingAssignment>& assignments) {
  std::vector<SideSettingChange> changes;
  for (const SettingAssignment& assignment : assignments) {
    const NamedSetting& setting = *assignment.setting;
    if (setting.store != SettingStore::SideFile) continue;
    SideSettingChange change{setting.table, setting.key, std::nullopt};
    int64_t number = 0;
    if (assignment.value.empty()) {
      // removed
    } else if (setting.kind == K::Number && ParseDecimal(assignment.value, number)) {
      change.value = SideValue{number};
    } else if (setting.kind == K::Switch) {
      change.value = SideValue{assignment.value == "true"};
    } else {
      change.value = SideValue{assignment.value};
    }
    changes.push_back(change);
  }
  return changes;
}

std::string ShownValue(const NamedSetting& setting, const MonitorConfig& config, const SideSettings& side) {
  if (setting.store == SettingStore::SideFile) {
    const auto table = side.tables.find(setting.table);
    if (table == side.tables.end()) return {};
    const auto value = table->second.find(setting.key);
    if (value == table->second.end()) return {};
    if (const auto* text = std::get_if<std::string>(&value->second)) return *text;
    if (const auto* number = std::get_if<int64_t>(&value->second)) return std::to_string(*number);
    return std::get<bool>(value->second) ? "true" : "false";
  }
  if (setting.exchangeAction) {
    const int32_t action = OptionsExchangeFromConfig(config).*setting.exchangeAction;
    const char* name = ActionName(action);
    return name ? name : std::to_string(action);
  }
  // The file's own number: the minimum free space is unsigned there.
  if (setting.exchangeText == &X::minimumFreeSpaceText) return std::to_string(config.minimumFreeSpace);
  return ToUtf8(OptionsExchangeFromConfig(config).*setting.exchangeText);
}

}  // namespace taruk
