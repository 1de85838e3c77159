#pragma once
// The running monitor's one reader of taruk.toml: it parses the file again
// only when the file's stamp says it may have changed (the Options dialog,
// a hand edit), so that the tray icon, the mail reminders and the self-test
// schedule follow the file without a restart and without reading it at
// every look.

#include <cstdint>
#include <mutex>
#include <optional>

#include "core/base/regular_file.h"
#include "core/settings/side_settings.h"

namespace taruk {

class SideSettingsWatch {
 public:
  // The file as it is now; empty for a file that is missing or can't be
  // parsed. Callable from any thread.
  SideSettings Current();
  // Counts the times the file was read: a reader that keeps the count it
  // last saw knows whether anything may have changed. Reads when due.
  uint64_t Generation();

 private:
  void RefreshLocked();

  std::mutex lock;
  SideSettings settings;
  // The stamp of the last read; none: read again at the next look (never
  // read, missing, or the stamp was taken too close to a change to prove
  // anything).
  std::optional<FileStamp> stamp;
  bool read = false;
  uint64_t generation = 0;
};

}  // namespace taruk
