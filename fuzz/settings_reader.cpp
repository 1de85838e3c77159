// Any bytes as conf.dat: the reader must not crash or read out of bounds, and
// a record it reads with two non-empty words must survive being written and
// read again unchanged.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/monitor/settings_format.h"

using namespace taruk;

namespace {

bool Same(const MonitorConfig& a, const MonitorConfig& b) {
  return a.pollInterval == b.pollInterval && a.criticalTemperature == b.criticalTemperature &&
         a.temperatureAction == b.temperatureAction && a.freeSpaceAction == b.freeSpaceAction &&
         a.minimumFreeSpace == b.minimumFreeSpace && a.emailAddress == b.emailAddress &&
         a.smtpServer == b.smtpServer && a.healthAction == b.healthAction;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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
