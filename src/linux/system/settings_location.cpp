#include "core/settings/settings_location.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>
#include <vector>

#include "core/base/path_text.h"

namespace taruk {

namespace {

// An unset variable and an empty one mean the same, as on Windows, where a
// variable can't hold an empty value.
const char* Variable(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}

std::string HomeFolder() {
  if (const char* home = Variable("HOME")) return home;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
      *found->pw_dir) {
    return found->pw_dir;
  }
  return {};
}

}  // namespace

SettingsFolder FindSettingsFolder() {
  if (const char* appData = Variable("APPDATA")) {
    return {PathBytesToWide(appData) + L"/Taruk", false};
  }
  // XDG asks to ignore a relative XDG_CONFIG_HOME.
  if (const char* config = Variable("XDG_CONFIG_HOME"); config && config[0] == '/') {
    return {PathBytesToWide(config) + L"/Taruk", true};
  }
  const std::string home = HomeFolder();
  if (home.empty()) return {};
  return {PathBytesToWide(home) + L"/.config/Taruk", true};
}

std::wstring SettingsFileIn(const std::wstring& folder) { return folder + L"/conf.dat"; }

}  // namespace taruk
