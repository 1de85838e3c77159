#include "core/view/named_settings_files.h"

#include "core/base/path_text.h"
#include "core/base/regular_file.h"
#include "core/base/small_text_file.h"
#include "core/settings/settings_file.h"
#include "core/settings/settings_format.h"
#include "core/settings/settings_location.h"

namespace taruk {

namespace {

std::string ConfPath() {
  std::string bytes;
  return WidePathToBytes(SettingsPath(), kMaxSettingsPathBytes, bytes) ? bytes : std::string();
}

bool TouchesConfDat(const std::vector<SettingAssignment>& assignments) {
  for (const SettingAssignment& assignment : assignments) {
    if (assignment.setting->store == SettingStore::ConfDat) return true;
  }
  return false;
}

// taruk.toml as it would be after the changes, without writing it: a file
// that does not parse, or a change its editor can't make in place, refuses
// the whole --set.
bool SideChangesFit(const std::vector<SideSettingChange>& changes, std::string& error) {
  const std::string path = SideSettingsPath();
  std::string text;
  if (ReadSmallTextFile(path, kMaxSideSettingsBytes, text, error) == SmallFileStatus::Bad) return false;
  std::string reason;
  if (EditSideSettings(text, changes, reason)) return true;
  error = path + ": " + reason + " (nothing was written)";
  return false;
}

}  // namespace

SettingsListing ListNamedSettings() {
  SettingsListing listing;
  listing.confPath = ConfPath();
  listing.sidePath = SideSettingsPath();
  MonitorConfig config;
  const SettingsLoad load = ReadSettingsFile(config);
  listing.confFound = load.found != SettingsLoad::Found::NoFile;
  if (load.found == SettingsLoad::Found::Part) listing.problems.push_back(load.problem);
  SideSettings side;
  std::string error;
  const SideFileStatus status = LoadSideSettings(side, error);
  listing.sideFound = status != SideFileStatus::Missing;
  if (status == SideFileStatus::Bad) listing.problems.push_back(error);
  for (const NamedSetting& setting : NamedSettings()) {
    listing.lines.push_back({&setting, ShownValue(setting, config, side)});
  }
  listing.passwordFile = SettingsFolderFile(L"smtp-password");
  listing.passwordFileFound =
      !listing.passwordFile.empty() && RegularFile(listing.passwordFile).Outcome() != RegularFile::Opening::Missing;
  return listing;
}

SettingsWrite WriteNamedSettings(const std::vector<SettingAssignment>& assignments, std::string& error) {
  const std::vector<SideSettingChange> sideChanges = SideChangesOf(assignments);
  const bool confChanges = TouchesConfDat(assignments);
  MonitorConfig config;
  if (confChanges) {
    const SettingsLoad load = LoadSettings(config);
    if (load.found == SettingsLoad::Found::Part) {
      // As in the window: what the file holds beyond the damage would be lost.
      error = load.problem +
              "; conf.dat is never written over while it is read in part: mend or remove it "
              "(nothing was written)";
      return SettingsWrite::Refused;
    }
    ApplyToConfig(assignments, config);
    std::string bytes;
    if (!FormatSettings(config, bytes)) {
      error = ConfPath() + ": a text holds a character that code page 1251 does not have (nothing was written)";
      return SettingsWrite::Refused;
    }
  }
  if (!sideChanges.empty() && !SideChangesFit(sideChanges, error)) return SettingsWrite::Refused;
  if (confChanges && !SaveSettings(config, &error)) return SettingsWrite::Failed;
  if (!sideChanges.empty() && !ChangeSideSettings(sideChanges, error)) {
    if (confChanges) error += "; " + ConfPath() + " was written";
    return SettingsWrite::Failed;
  }
  return SettingsWrite::Written;
}

}  // namespace taruk
