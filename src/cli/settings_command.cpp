#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/utf8_path.h"
#include "core/base/path_text.h"
#include "core/settings/settings_file.h"
#include "core/view/named_settings_files.h"

namespace taruk {

namespace {

constexpr size_t kValueColumn = 40;

// Characters, not bytes, so that the column stays straight in a terminal.
size_t Utf8Length(const std::string& text) {
  size_t length = 0;
  for (const char c : text) length += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return length;
}

std::string StoreName(const NamedSetting& setting) {
  return setting.store == SettingStore::ConfDat ? "conf.dat" : "taruk.toml";
}

// NAME=VALUE lines that --set takes back, each with the file that keeps it.
void PrintListing(const SettingsListing& listing) {
  std::printf("conf.dat:   %s%s\n", listing.confPath.c_str(),
              listing.confFound ? "" : " (no file yet: the defaults below apply)");
  std::printf("taruk.toml: %s%s\n", listing.sidePath.c_str(),
              listing.sideFound ? "" : " (no file yet: every key at its default)");
  for (const SettingsListing::Line& line : listing.lines) {
    std::string text = std::string(line.setting->name) + "=" + line.value;
    text.append(kValueColumn > Utf8Length(text) ? kValueColumn - Utf8Length(text) : 1, ' ');
    text += StoreName(*line.setting);
    if (line.setting->store == SettingStore::SideFile && line.value.empty()) text += " (not set: the default)";
    std::printf("%s\n", text.c_str());
  }
  // The password is never printed, nor set from a command line that others
  // may read in the process list.
  const std::string password = listing.passwordFileFound
                                   ? "never shown; a file holds one: " + listing.passwordFile
                                   : "never shown; not in " + listing.passwordFile +
                                         " (the Secret Service, the Credential Manager or the service's "
                                         "credential may hold it)";
  std::printf("%-*s%s\n", static_cast<int>(kValueColumn), "mail.password", password.c_str());
}

int ShowSettings() {
  const SettingsListing listing = ListNamedSettings();
  PrintListing(listing);
  std::fflush(stdout);
  for (const std::string& problem : listing.problems) std::fprintf(stderr, "taruk: %s\n", problem.c_str());
  return listing.problems.empty() ? 0 : 1;
}

int SetSettings(const std::vector<std::string>& texts) {
  std::vector<SettingAssignment> assignments;
  for (const std::string& text : texts) {
    SettingAssignment assignment;
    std::string error;
    if (!ParseSettingAssignment(text, assignment, error)) {
      std::fprintf(stderr, "taruk: --set %s: %s (nothing was written)\n", text.c_str(), error.c_str());
      return 2;
    }
    assignments.push_back(assignment);
  }
  std::string error;
  switch (WriteNamedSettings(assignments, error)) {
    case SettingsWrite::Written:
      return 0;
    case SettingsWrite::Refused:
    case SettingsWrite::Failed:
      break;
  }
  std::fprintf(stderr, "taruk: %s\n", error.c_str());
  return 1;
}

}  // namespace

// --settings prints every setting; --set changes some. Exit 0 when done, 1
// when a file could not be read whole or written, 2 for a usage error (an
// unknown name or a value the setting does not take: nothing is written).
int RunSettings(const CommandLine& commandLine) {
  if (!commandLine.configDir.empty()) {
    std::string error;
    if (!CheckFolderOption("--config-dir", commandLine.configDir, error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 2;
    }
    UseSettingsFolder(PathBytesToWide(commandLine.configDir));
  }
  return commandLine.mode == CommandLine::Mode::Settings ? ShowSettings() : SetSettings(commandLine.assignments);
}

}  // namespace taruk
