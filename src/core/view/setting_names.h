#pragma once
// Every setting under the short name people type (taruk --settings, taruk
// --set NAME=VALUE), with where it is kept: one of conf.dat's eight values,
// or a key of taruk.toml. A new key of taruk.toml becomes settable by one row
// in the table (setting_names.cpp).

#include <cstdint>
#include <string>
#include <vector>

#include "core/settings/side_settings.h"
#include "core/view/options_exchange.h"

namespace taruk {

enum class SettingStore { ConfDat, SideFile };

enum class SettingKind {
  Number,  // decimal, between `least` and `most`
  Action,  // an alarm action, by name or by its number in the Options lists
  Word,    // conf.dat text: one word of code page 1251
  Text,    // taruk.toml text (UTF-8)
  Choice,  // one of `choices`
  Switch,  // true or false
};

struct NamedSetting {
  const char* name;
  SettingStore store;
  SettingKind kind;
  // conf.dat: the field of the Options dialog's exchange that holds it (a
  // text, or an action's list index), so that a change takes the dialog's
  // road into the file.
  std::wstring OptionsExchange::*exchangeText = nullptr;
  int32_t OptionsExchange::*exchangeAction = nullptr;
  // The dialog's own check of the text, where it makes one.
  std::wstring (*dialogCheck)(const std::wstring&) = nullptr;
  // taruk.toml: where it lives.
  const char* table = nullptr;
  const char* key = nullptr;
  int64_t least = 0;
  int64_t most = 0;
  const char* choices = nullptr;  // Choice: the values, separated by spaces
};

const std::vector<NamedSetting>& NamedSettings();
// Null for a name that is not in the table.
const NamedSetting* FindNamedSetting(const std::string& name);

// The names the alarm actions take, in AlarmAction order.
const char* ActionName(int32_t action);

// One NAME=VALUE, checked against the table and the rules the Options dialog
// (or the feature that reads taruk.toml) applies. An empty value removes a
// taruk.toml key, so that its default applies again.
struct SettingAssignment {
  const NamedSetting* setting = nullptr;
  std::string value;  // UTF-8, as typed
};

// False with `error` ("Wrong critical temperature! It must be in range 1 -
// 100 !", "holds 'ü' (U+00FC), which code page 1251 ...") for an unknown name, a value out of range, a text conf.dat
// can't hold (a character outside code page 1251, named).
bool ParseSettingAssignment(const std::string& text, SettingAssignment& assignment, std::string& error);

// conf.dat's values with the assignments made, through the Options
// dialog's exchange as an accepted dialog makes them.
void ApplyToConfig(const std::vector<SettingAssignment>& assignments, MonitorConfig& config);
// The taruk.toml changes the assignments make.
std::vector<SideSettingChange> SideChangesOf(const std::vector<SettingAssignment>& assignments);

// The value as --settings shows it (and --set takes it back); empty for a
// taruk.toml key that is not set.
std::string ShownValue(const NamedSetting& setting, const MonitorConfig& config, const SideSettings& side);

}  // namespace taruk
