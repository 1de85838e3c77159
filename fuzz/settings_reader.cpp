// Any bytes as conf.dat: the reader must not crash or read out of bounds, and
// a record it reads with two non-empty words must survive being written and
// read again unchanged. The same bytes as taruk --set NAME=VALUE: whatever
// it takes for conf.dat is written as a file that reads back whole to the
// same bytes (an accepted text that shifted the later values, or a word the
// reader refuses, would leave a file read in part); a change to taruk.toml
// is made or refused by its editor, never a crash.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/settings/settings_format.h"
#include "core/view/setting_names.h"

using namespace taruk;

namespace {

bool Same(const MonitorConfig& a, const MonitorConfig& b) {
  return a.pollInterval == b.pollInterval && a.criticalTemperature == b.criticalTemperature &&
         a.temperatureAction == b.temperatureAction && a.freeSpaceAction == b.freeSpaceAction &&
         a.minimumFreeSpace == b.minimumFreeSpace && a.emailAddress == b.emailAddress && a.smtpServer == b.smtpServer &&
         a.healthAction == b.healthAction;
}

void SetAndReadBack(const std::string& text) {
  SettingAssignment assignment;
  std::string error;
  if (!ParseSettingAssignment(text, assignment, error)) {
    if (error.empty()) __builtin_trap();
    return;
  }
  MonitorConfig config;
  ApplyToConfig({assignment}, config);
  std::string bytes;
  if (!FormatSettings(config, bytes)) __builtin_trap();
  MonitorConfig reread;
  if (!ReadSettingsText(bytes, reread).whole || !Same(config, reread)) __builtin_trap();
  std::string side = "[mail]\nport = 25\n";
  EditSideSettings(side, SideChangesOf({assignment}), error);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetAndReadBack(std::string(reinterpret_cast<const char*>(data), size));
  MonitorConfig read;
  ReadSettingsText(std::string_view(reinterpret_cast<const char*>(data), size), read);
  if (read.emailAddress.size() > kMaxSettingsWord || read.smtpServer.size() > kMaxSettingsWord) {
    __builtin_trap();
  }
  if (read.emailAddress.empty() || read.smtpServer.empty()) return 0;
  std::string bytes;
  if (!FormatSettings(read, bytes)) __builtin_trap();  // every word read came from the code page
  MonitorConfig again;
  ReadSettingsText(bytes, again);
  if (!Same(read, again)) __builtin_trap();
  return 0;
}
