#include "linux/autostart.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

#include "core/base/atomic_file.h"

namespace taruk {

namespace {

constexpr const char* kEntryName = "Taruk.desktop";

// Readable by every user's desktop session.
constexpr mode_t kEntryMode = 0644;

std::string MachineAutostartFolder() {
  std::string base = "/etc/xdg";
  // Relative entries are ignored, as every desktop does.
  const char* dirs = std::getenv("XDG_CONFIG_DIRS");
  std::string_view rest = dirs ? dirs : "";
  while (!rest.empty()) {
    const size_t colon = rest.find(':');
    const std::string_view dir = rest.substr(0, colon);
    if (!dir.empty() && dir.front() == '/') {
      base = dir;
      break;
    }
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base + "/autostart";
}

std::string UserAutostartFolder() {
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (configHome && configHome[0] == '/') {
    base = configHome;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home ? home : "") + "/.config";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base + "/autostart";
}

// The whole of a small entry, or nothing when it cannot be opened and read
// (a folder of that name opens too, but cannot be read).
std::optional<std::string> ReadEntry(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      close(fd);
      return std::nullopt;
    }
    if (got == 0 || text.size() > 65536) break;
    text.append(buffer, static_cast<size_t>(got));
  }
  close(fd);
  return text;
}

// A desktop entry that the desktops skip: Hidden=true in its main group.
bool HidesItself(const std::string& text) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (line == "Hidden=true" || line == "Hidden = true") return true;
    start = end + 1;
  }
  return false;
}

int MakeFolders(const std::string& path);

int WriteEntry(const std::string& text) {
  if (const int error = MakeFolders(UserAutostartFolder())) return error;
  return ReplaceFileAtomically(UserAutostartEntryPath(), text, kEntryMode) ? 0 : errno;
}

// Creates `path` and any missing parents, like mkdir -p.
int MakeFolders(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
  const size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0) {
    if (const int error = MakeFolders(path.substr(0, slash))) return error;
  }
  if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) return errno;
  return 0;
}

bool NeedsQuotes(const std::string& argument) {
  return argument.empty() || argument.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string::npos;
}

}  // namespace

std::string AutostartEntryPath() { return MachineAutostartFolder() + "/" + kEntryName; }

std::string UserAutostartEntryPath() { return UserAutostartFolder() + "/" + kEntryName; }

bool AutostartEntryExists() {
  // The user's entry of the same name stands in for the machine-wide one.
  if (const std::optional<std::string> own = ReadEntry(UserAutostartEntryPath())) return !HidesItself(*own);
  return ReadEntry(AutostartEntryPath()).has_value();
}

std::string AutostartEntryText(const std::string& executablePath) {
  // The Exec value is unescaped in three layers when read: string escapes,
  // then argument quoting, then field codes. Build it in the reverse order.
  std::string argument;
  if (NeedsQuotes(executablePath)) {
    argument = "\"";
    for (const char c : executablePath) {
      if (c == '"' || c == '`' || c == '$' || c == '\\') argument += '\\';
      argument += c;
    }
    argument += '"';
  } else {
    argument = executablePath;
  }
  std::string value;
  for (const char c : argument) {
    switch (c) {
      case '%':
        value += "%%";
        break;
      case '\\':
        value += "\\\\";
        break;
      case '\n':
        value += "\\n";
        break;
      case '\t':
        value += "\\t";
        break;
      case '\r':
        value += "\\r";
        break;
      default:
        value += c;
    }
  }
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Taruk\n"
         "Comment=Disk health monitor\n"
         "Exec=" +
         value + "\n";
}

std::string HiddenAutostartEntryText() {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Taruk\n"
         "Hidden=true\n";
}

int WriteAutostartEntry(const std::string& executablePath) { return WriteEntry(AutostartEntryText(executablePath)); }

int EnableRunAtStartup(const std::string& executablePath, const std::function<bool()>&) {
  return WriteAutostartEntry(executablePath);
}

void RemoveAutostartEntry() {
  unlink(UserAutostartEntryPath().c_str());
  if (ReadEntry(AutostartEntryPath())) WriteEntry(HiddenAutostartEntryText());
}

std::string SystemErrorText(int code) { return std::strerror(code); }

}  // namespace taruk
