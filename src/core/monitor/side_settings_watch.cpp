#include "core/monitor/side_settings_watch.h"

#include <string>

namespace taruk {

void SideSettingsWatch::RefreshLocked() {
  FileStamp now;
  const bool there = StampFile(SideSettingsPath(), now);
  if (read && stamp && there && now == *stamp) return;
  if (read && !stamp && !there && settings.tables.empty()) return;  // still missing
  stamp.reset();
  if (there && now.settled) stamp = now;
  SideSettings fresh;
  std::string ignored;
  if (LoadSideSettings(fresh, ignored) != SideFileStatus::Read) fresh = SideSettings();
  settings = std::move(fresh);
  read = true;
  ++generation;
}

SideSettings SideSettingsWatch::Current() {
  std::lock_guard<std::mutex> hold(lock);
  RefreshLocked();
  return settings;
}

uint64_t SideSettingsWatch::Generation() {
  std::lock_guard<std::mutex> hold(lock);
  RefreshLocked();
  return generation;
}

}  // namespace taruk
