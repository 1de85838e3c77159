#include "core/settings/side_settings.h"

#include <mutex>
#include <optional>
#include <string_view>

#include "core/base/atomic_file.h"
#include "core/base/path_text.h"
#include "core/base/small_text_file.h"
#include "core/settings/settings_file.h"
#include "core/settings/settings_location.h"

// The program reports failures by value; the parser does the same.
#define TOML_EXCEPTIONS 0
// toml++ 3.3 asserts on some malformed files ("[# x"), where release builds go
// on to a parse error: a hand-edited file must never abort a debug build.
#define TOML_ASSERT(expr) static_assert(true)
#include <toml++/toml.h>

namespace taruk {

namespace {

std::vector<std::string> SplitTableName(std::string_view name) {
  std::vector<std::string> parts;
  if (name.empty()) return parts;
  size_t start = 0;
  for (;;) {
    const size_t dot = name.find('.', start);
    parts.emplace_back(name.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
    if (dot == std::string_view::npos) return parts;
    start = dot + 1;
  }
}

void Flatten(const toml::table& table, const std::string& name, SideSettings& settings) {
  for (auto&& [key, node] : table) {
    const std::string keyText(key.str());
    if (const toml::table* inner = node.as_table()) {
      Flatten(*inner, name.empty() ? keyText : name + "." + keyText, settings);
    } else if (const auto* text = node.as_string()) {
      settings.tables[name][keyText] = text->get();
    } else if (const auto* number = node.as_integer()) {
      settings.tables[name][keyText] = number->get();
    } else if (const auto* flag = node.as_boolean()) {
      settings.tables[name][keyText] = flag->get();
    }
  }
}

std::string ParseErrorText(const toml::parse_error& error) {
  return "line " + std::to_string(error.source().begin.line) + ": " + std::string(error.description());
}

// Debian's toml++ 3.3 runs into undefined behaviour on a byte beyond ASCII
// outside quotes and comments (a bare key "héllo = 1"), where TOML allows
// none. Such a file is refused here, before the parser sees it; strings,
// quoted keys and comments may hold any UTF-8.
const std::string kBeyondAscii = [] {
  std::string bytes;
  for (int byte = 0x80; byte <= 0xFF; ++byte) bytes += static_cast<char>(byte);
  return bytes;
}();

bool OutsideQuotesIsAscii(std::string_view text, std::string& error) {
  int line = 1;
  size_t i = 0;
  // Moves past the next `end`; a one-line string or comment stops before
  // the line break (the parser judges what is left).
  const auto skipPast = [&](std::string_view end, bool escapes, bool oneLine) {
    while (i < text.size() && text.compare(i, end.size(), end) != 0) {
      if (text[i] == '\n') {
        if (oneLine) return;
        ++line;
      }
      i += escapes && text[i] == '\\' && i + 1 < text.size() && text[i + 1] != '\n' ? 2 : 1;
    }
    i += end.size();
  };
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\n') {
      ++line;
      ++i;
    } else if (c == '#') {
      skipPast("\n", false, true);
    } else if (text.compare(i, 3, "\"\"\"") == 0 || text.compare(i, 3, "'''") == 0) {
      const std::string_view end = text.substr(i, 3);
      i += 3;
      skipPast(end, end[0] == '"', false);
    } else if (c == '"' || c == '\'') {
      const std::string_view end = text.substr(i, 1);
      ++i;
      skipPast(end, c == '"', true);
    } else if (static_cast<unsigned char>(c) >= 0x80) {
      error = "line " + std::to_string(line) +
              ": a character beyond ASCII outside quotes; put such a key in double quotes (\"h\xC3\xA9\" = 1)";
      return false;
    } else {
      ++i;
    }
  }
  return true;
}

// The parse, or the reason there is none.
std::optional<toml::parse_result> Parse(std::string_view text, std::string& error) {
  if (!OutsideQuotesIsAscii(text, error)) return std::nullopt;
  // A quote where TOML allows none ("x = 2\"é\"") is no string to the parser,
  // which then meets the byte all the same. So the text is first parsed with
  // every such byte made ASCII: that parse succeeds only when the quotes are
  // where TOML puts strings, and then the scan above saw the strings the
  // parser will see.
  if (text.find_first_of(kBeyondAscii) != std::string_view::npos) {
    std::string masked(text);
    for (char& c : masked) {
      if (static_cast<unsigned char>(c) >= 0x80) c = 'x';
    }
    const toml::parse_result trial = toml::parse(masked);
    if (!trial) {
      error = ParseErrorText(trial.error());
      return std::nullopt;
    }
  }
  toml::parse_result parsed = toml::parse(text);
  if (!parsed) {
    error = ParseErrorText(parsed.error());
    return std::nullopt;
  }
  return parsed;
}

bool IsBareKey(std::string_view key) {
  if (key.empty()) return false;
  for (const char c : key) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

// A basic (double-quoted) string on one line, whatever it holds.
std::string Quoted(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (byte < 0x20 || byte == 0x7F) {
      out += "\\u00";
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string FormatValue(const SideValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return Quoted(*text);
  if (const auto* number = std::get_if<int64_t>(&value)) return std::to_string(*number);
  return std::get<bool>(value) ? "true" : "false";
}

// A key as TOML writes it: bare when it can be, else quoted.
std::string FormatKey(std::string_view key) { return IsBareKey(key) ? std::string(key) : Quoted(key); }

std::string FormatTableName(std::string_view table) {
  std::string out;
  for (const std::string& part : SplitTableName(table)) out += (out.empty() ? "" : ".") + FormatKey(part);
  return out;
}

// Byte offset of a parser position (1-based line, 1-based column counted in
// characters) in `text`; npos when the text has no such place.
size_t OffsetOf(std::string_view text, const toml::source_position& position) {
  size_t offset = 0;
  for (toml::source_index line = 1; line < position.line; ++line) {
    offset = text.find('\n', offset);
    if (offset == std::string_view::npos) return offset;
    ++offset;
  }
  for (toml::source_index column = 1; column < position.column; ++column) {
    if (offset >= text.size() || text[offset] == '\n') return std::string_view::npos;
    ++offset;
    while (offset < text.size() && (static_cast<unsigned char>(text[offset]) & 0xC0) == 0x80) ++offset;
  }
  return offset;
}

size_t LineStart(std::string_view text, size_t offset) {
  const size_t newline = offset == 0 ? std::string_view::npos : text.rfind('\n', offset - 1);
  return newline == std::string_view::npos ? 0 : newline + 1;
}

size_t NextLineStart(std::string_view text, size_t offset) {
  const size_t newline = text.find('\n', offset);
  return newline == std::string_view::npos ? text.size() : newline + 1;
}

const toml::table* FindTable(const toml::table& root, std::string_view name) {
  const toml::table* table = &root;
  for (const std::string& part : SplitTableName(name)) {
    const toml::node* node = table->get(part);
    table = node ? node->as_table() : nullptr;
    if (!table) return nullptr;
  }
  return table;
}

// One attempt at the text with the change made; empty when this way does not
// apply. The caller checks the outcome by parsing it again.
std::optional<std::string> ReplaceExisting(std::string_view text, const toml::table& table,
                                           const SideSettingChange& change) {
  const toml::node* node = table.get(change.key);
  if (!node) return std::nullopt;
  if (table.is_inline() || node->is_table() || node->is_array_of_tables()) return std::nullopt;
  const size_t begin = OffsetOf(text, node->source().begin);
  const size_t end = OffsetOf(text, node->source().end);
  if (begin == std::string_view::npos || end == std::string_view::npos || end < begin) return std::nullopt;
  std::string edited(text);
  if (change.value) {
    edited.replace(begin, end - begin, FormatValue(*change.value));
  } else {
    // The whole line of the key, and every further line of its value.
    const size_t from = LineStart(text, begin);
    edited.erase(from, NextLineStart(text, end) - from);
  }
  return edited;
}

std::string EndedLine(std::string_view text) {
  std::string out(text);
  if (!out.empty() && out.back() != '\n') out += '\n';
  return out;
}

std::optional<std::string> InsertBelowHeader(std::string_view text, const toml::table& table, const std::string& line) {
  if (table.is_inline()) return std::nullopt;
  const toml::source_position header = table.source().begin;
  if (!header) {
    // The top level: above every table.
    return line + std::string(text);
  }
  const size_t at = OffsetOf(text, header);
  if (at == std::string_view::npos) return std::nullopt;
  std::string edited = EndedLine(text);
  edited.insert(NextLineStart(edited, at), line);
  return edited;
}

std::string AppendTable(std::string_view text, const std::string& tableName, const std::string& line) {
  std::string edited = EndedLine(text);
  if (tableName.empty()) return line + edited;
  if (!edited.empty()) edited += '\n';
  return edited + "[" + tableName + "]\n" + line;
}

// The values the file should hold after the change.
SideSettings Expected(SideSettings before, const SideSettingChange& change) {
  auto& table = before.tables[change.table];
  if (change.value) {
    table[change.key] = *change.value;
  } else {
    table.erase(change.key);
  }
  if (table.empty()) before.tables.erase(change.table);
  return before;
}

// A candidate counts only when every value it holds is the one expected: the
// change made, nothing else moved.
bool Holds(const std::optional<std::string>& candidate, const SideSettings& expected) {
  if (!candidate) return false;
  SideSettings after;
  std::string ignored;
  if (!ParseSideSettings(*candidate, after, ignored)) return false;
  for (auto it = after.tables.begin(); it != after.tables.end();) {
    it = it->second.empty() ? after.tables.erase(it) : std::next(it);
  }
  return after.tables == expected.tables;
}

bool ApplyChange(std::string& text, const SideSettingChange& change, std::string& error) {
  const std::optional<toml::parse_result> parsed = Parse(text, error);
  if (!parsed) return false;
  SideSettings before;
  Flatten(parsed->table(), "", before);
  const SideSettings expected = Expected(before, change);

  const std::string key = FormatKey(change.key);
  const std::string tableName = FormatTableName(change.table);
  const toml::table* table = FindTable(parsed->table(), change.table);
  if (table && table->get(change.key)) {
    const auto candidate = ReplaceExisting(text, *table, change);
    if (Holds(candidate, expected)) {
      text = *candidate;
      return true;
    }
  } else if (!change.value) {
    return true;  // nothing to remove
  } else {
    const std::string line = key + " = " + FormatValue(*change.value) + "\n";
    std::optional<std::string> candidate;
    if (table) candidate = InsertBelowHeader(text, *table, line);
    if (!Holds(candidate, expected)) candidate = AppendTable(text, tableName, line);
    if (Holds(candidate, expected)) {
      text = *candidate;
      return true;
    }
  }
  error = "can't change " + (tableName.empty() ? key : tableName + "." + key) +
          " without rewriting more of the file; edit it by hand";
  return false;
}

std::mutex& SideFileLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

const SideValue* SideSettings::Find(std::string_view table, std::string_view key) const {
  const auto found = tables.find(table);
  if (found == tables.end()) return nullptr;
  const auto value = found->second.find(key);
  return value == found->second.end() ? nullptr : &value->second;
}

std::optional<std::string> SideSettings::Text(std::string_view table, std::string_view key) const {
  const SideValue* value = Find(table, key);
  if (const auto* text = value ? std::get_if<std::string>(value) : nullptr) return *text;
  return std::nullopt;
}

std::optional<int64_t> SideSettings::Integer(std::string_view table, std::string_view key) const {
  const SideValue* value = Find(table, key);
  if (const auto* number = value ? std::get_if<int64_t>(value) : nullptr) return *number;
  return std::nullopt;
}

std::optional<bool> SideSettings::Boolean(std::string_view table, std::string_view key) const {
  const SideValue* value = Find(table, key);
  if (const auto* flag = value ? std::get_if<bool>(value) : nullptr) return *flag;
  return std::nullopt;
}

std::vector<std::string> SideSettings::Keys(std::string_view table) const {
  std::vector<std::string> keys;
  const auto found = tables.find(table);
  if (found != tables.end()) {
    for (const auto& entry : found->second) keys.push_back(entry.first);
  }
  return keys;
}

bool ParseSideSettings(std::string_view text, SideSettings& settings, std::string& error) {
  const std::optional<toml::parse_result> parsed = Parse(text, error);
  if (!parsed) return false;
  settings = SideSettings();
  Flatten(parsed->table(), "", settings);
  return true;
}

bool EditSideSettings(std::string& text, const std::vector<SideSettingChange>& changes, std::string& error) {
  std::string edited = text;
  for (const SideSettingChange& change : changes) {
    if (!ApplyChange(edited, change, error)) return false;
  }
  text = std::move(edited);
  return true;
}

std::string SettingsFolderFile(const std::wstring& name) {
  std::wstring path = SettingsPath();
  const std::wstring confName = L"conf.dat";
  if (path.size() < confName.size()) return {};
  path.replace(path.size() - confName.size(), confName.size(), name);
  std::string bytes;
  return WidePathToBytes(path, kMaxSettingsPathBytes, bytes) ? bytes : std::string();
}

std::string SideSettingsPath() { return SettingsFolderFile(L"taruk.toml"); }

SideFileStatus LoadSideSettings(SideSettings& settings, std::string& error) {
  settings = SideSettings();
  const std::string path = SideSettingsPath();
  if (path.empty()) return SideFileStatus::Missing;
  std::string text;
  switch (ReadSmallTextFile(path, kMaxSideSettingsBytes, text, error)) {
    case SmallFileStatus::Missing:
      return SideFileStatus::Missing;
    case SmallFileStatus::Bad:
      return SideFileStatus::Bad;
    case SmallFileStatus::Read:
      break;
  }
  std::string reason;
  if (ParseSideSettings(text, settings, reason)) return SideFileStatus::Read;
  error = path + ": " + reason;
  return SideFileStatus::Bad;
}

bool ChangeSideSettings(const std::vector<SideSettingChange>& changes, std::string& error) {
  const std::lock_guard<std::mutex> hold(SideFileLock());
  const std::string path = SideSettingsPath();
  if (path.empty()) {
    error = "no folder for the settings";
    return false;
  }
  std::string text;
  if (ReadSmallTextFile(path, kMaxSideSettingsBytes, text, error) == SmallFileStatus::Bad) return false;
  std::string reason;
  if (!EditSideSettings(text, changes, reason)) {
    error = path + ": " + reason + " (the file was left as it is)";
    return false;
  }
  if (ReplaceFileAtomically(path, text)) return true;
  error = path + ": can't be written";
  return false;
}

}  // namespace taruk
