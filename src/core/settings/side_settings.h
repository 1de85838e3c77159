#pragma once
// taruk.toml, beside conf.dat: every setting beyond conf.dat's eight values,
// in TOML so that people can edit it by hand. Each feature keeps its values
// in a table of its own ([mail], [selftest], ...); a table name may be
// dotted ("selftest.last-start") for a table inside a table.
//
//   [mail]
//   port = 587
//   security = "starttls"
//
// The program changes single values and leaves every other byte of the file
// as it is: comments, order, keys it does not know, values a user typed while
// it ran. A file it can't parse is never written: the change is refused with
// the parser's reason, so a typo is reported, not overwritten.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace taruk {

// Largest side file that is read; a larger one is refused as damaged.
constexpr size_t kMaxSideSettingsBytes = 256 * 1024;

// A value as the program keeps it: text (UTF-8), a whole number or a switch.
using SideValue = std::variant<std::string, int64_t, bool>;

// A parsed file: table name -> key -> value. Values of other kinds (floats,
// dates, arrays) are left out; they stay in the file untouched.
class SideSettings {
 public:
  std::optional<std::string> Text(std::string_view table, std::string_view key) const;
  std::optional<int64_t> Integer(std::string_view table, std::string_view key) const;
  std::optional<bool> Boolean(std::string_view table, std::string_view key) const;
  // Every key of the table that holds a value read above, in sorted order.
  std::vector<std::string> Keys(std::string_view table) const;

  std::map<std::string, std::map<std::string, SideValue, std::less<>>, std::less<>> tables;

 private:
  const SideValue* Find(std::string_view table, std::string_view key) const;
};

// One change: a new value for a key, or (no value) the key removed.
struct SideSettingChange {
  std::string table;
  std::string key;
  std::optional<SideValue> value;
};

// Empty text parses to no tables. False, with `error` giving the line and the
// parser's reason, for text that is not TOML.
bool ParseSideSettings(std::string_view text, SideSettings& settings, std::string& error);

// Applies the changes to the file's text in place: an existing value is
// replaced where it stands, a new key goes just below its table's header, a
// new table at the end. False, with `text` untouched, when the text does not
// parse or a change can't be written without rewriting more than its own
// value (a key held in an inline table, a table name that is a value).
bool EditSideSettings(std::string& text, const std::vector<SideSettingChange>& changes, std::string& error);

// taruk.toml in conf.dat's folder, as bytes; empty when there is no folder.
std::string SideSettingsPath();
// Any file of that folder, as bytes; empty when there is no folder.
std::string SettingsFolderFile(const std::wstring& name);

enum class SideFileStatus { Read, Missing, Bad };

// Reads the side file. Missing leaves `settings` empty; Bad says why in
// `error` (with the file's name).
SideFileStatus LoadSideSettings(SideSettings& settings, std::string& error);

// Reads the file as it is now, applies the changes and replaces it in one
// step (core/base/atomic_file.h). Changes from several threads of the program
// are made one after another. False, with `error` naming the file and the
// reason, when it could not be read, parsed or written; the file then stays
// as it was.
bool ChangeSideSettings(const std::vector<SideSettingChange>& changes, std::string& error);

}  // namespace taruk
