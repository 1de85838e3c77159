#pragma once
// The settings file in a scratch folder: APPDATA points there for the test,
// so the settings folder is `folder` and the file `file`.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/settings/settings_file.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace taruk {

// What the first save writes: the defaults.
inline constexpr char kDefaultFile[] = "60 55 0 0 0 taruk@example.invalid smtp.example.invalid";

inline MonitorConfig Load() {
  MonitorConfig config;
  LoadSettings(config);
  return config;
}

inline MonitorConfig WithPollInterval(int32_t seconds) {
  MonitorConfig config;
  config.pollInterval = seconds;
  return config;
}

class SettingsFileTest : public testing::Test {
 protected:
  ScratchDir scratch;
  ScopedEnv appData{"APPDATA", scratch.path()};
  std::string folder = scratch / "Taruk";
  std::string file = folder + "/conf.dat";
};

}  // namespace taruk
