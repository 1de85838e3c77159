#include "linux/autostart.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "core/base/atomic_file.h"

namespace taruk {

namespace {

constexpr const char* kEntryName = "Taruk.desktop";

std::string AutostartFolder() {
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

std::string AutostartEntryPath() { return AutostartFolder() + "/" + kEntryName; }

bool AutostartEntryExists() {
  const int fd = open(AutostartEntryPath().c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  // A folder of that name opens too, but cannot be read.
  char probe;
  ssize_t got;
  do {
    got = read(fd, &probe, 1);
  } while (got < 0 && errno == EINTR);
  close(fd);
  return got >= 0;
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
      case '%': value += "%%"; break;
      case '\\': value += "\\\\"; break;
      case '\n': value += "\\n"; break;
      case '\t': value += "\\t"; break;
      case '\r': value += "\\r"; break;
      default: value += c;
    }
  }
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Taruk\n"
         "Comment=Disk health monitor\n"
         "Exec=" + value + "\n";
}

int WriteAutostartEntry(const std::string& executablePath) {
  const std::string folder = AutostartFolder();
  if (const int error = MakeFolders(folder)) return error;

  // Readable by every user's desktop session.
  return ReplaceFileAtomically(AutostartEntryPath(), AutostartEntryText(executablePath), 0644) ? 0 : errno;
}

void RemoveAutostartEntry() { unlink(AutostartEntryPath().c_str()); }

std::string SystemErrorText(int code) { return std::strerror(code); }

}  // namespace taruk
