// Any bytes as taruk.toml: parsing and editing must not crash, and an edit
// that succeeds must leave a file that reads back with the value set. Bytes
// beyond ASCII included: outside quotes and comments they are refused before
// toml++ (which misbehaves on them) sees them.

#include "core/settings/side_settings.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace taruk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  SideSettings settings;
  std::string error;
  ParseSideSettings(text, settings, error);
  // The first line names the table, the rest is the file.
  const size_t newline = text.find('\n');
  const std::string table = text.substr(0, newline == std::string::npos ? 0 : newline);
  std::string file = newline == std::string::npos ? text : text.substr(newline + 1);
  if (EditSideSettings(file, {{table, "port", SideValue{int64_t{587}}}, {table, "user", std::nullopt}}, error)) {
    if (!ParseSideSettings(file, settings, error) || settings.Integer(table, "port") != 587 ||
        settings.Text(table, "user")) {
      __builtin_trap();
    }
  }
  return 0;
}
