#pragma once
// taruk --settings and --set over the two files: conf.dat written as the
// Options dialog's OK writes it, taruk.toml through its own editor. Both
// look in the settings folder in use (settings_file.h: UseSettingsFolder for
// --config-dir).

#include <string>
#include <vector>

#include "core/view/setting_names.h"

namespace taruk {

struct SettingsListing {
  std::string confPath;  // bytes
  std::string sidePath;
  bool confFound = false;
  bool sideFound = false;
  // A file not understood whole: its values are those read up to the damage
  // (conf.dat) or none (taruk.toml); "PATH: why".
  std::vector<std::string> problems;
  struct Line {
    const NamedSetting* setting;
    std::string value;
  };
  std::vector<Line> lines;  // in the table's order
  // The SMTP password, never read here: the file beside conf.dat that may
  // hold it, and whether it is there. (Its other stores are asked only when
  // a mail goes out: the Secret Service needs the desktop's libraries.)
  std::string passwordFile;
  bool passwordFileFound = false;
};

// Reads both files; changes nothing on the disk, makes no folder.
SettingsListing ListNamedSettings();

enum class SettingsWrite {
  Written,
  Refused,  // a file that can't take the change as it stands: nothing written
  Failed,   // the system refused a write: `error` says what was written before
};

// Makes every assignment or none: each file is checked before either is
// written. conf.dat is written only for a change of its values, taruk.toml
// only for one of its keys.
SettingsWrite WriteNamedSettings(const std::vector<SettingAssignment>& assignments, std::string& error);

}  // namespace taruk
