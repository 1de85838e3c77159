#include "core/view/self_test_schedule_form.h"

#include <vector>

#include "core/base/path_text.h"
#include "core/monitor/self_test_schedule_store.h"
#include "core/settings/side_settings.h"

namespace taruk {

namespace {

constexpr const char* kTable = "selftest";

// The schedule the file holds; the defaults for a missing or bad file.
SelfTestScheduleSettings FileSchedule() {
  SideSettings side;
  std::string error;
  const SideFileStatus status = LoadSideSettings(side, error);
  SelfTestScheduleSettings settings;
  SelfTestScheduleState ignored;
  if (status == SideFileStatus::Read) LoadSelfTestSchedule(side, settings, ignored);
  return settings;
}

bool ReadDays(const std::wstring& text, const wchar_t* name, uint32_t& days, std::wstring& error) {
  uint64_t value = 0;
  bool digits = !text.empty() && text.size() <= 5;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') digits = false;
    value = value * 10 + static_cast<uint64_t>(c - L'0');
  }
  if (!digits || value > static_cast<uint64_t>(kMostSelfTestDays)) {
    error = std::wstring(L"The ") + name + L" self-test period must be a whole number of days from 0 to " +
            std::to_wstring(kMostSelfTestDays) + L" (0: none).";
    return false;
  }
  days = static_cast<uint32_t>(value);
  return true;
}

}  // namespace

SelfTestScheduleForm LoadSelfTestScheduleForm() {
  const SelfTestScheduleSettings settings = FileSchedule();
  return {settings.enabled, std::to_wstring(settings.shortEveryDays), std::to_wstring(settings.extendedEveryDays)};
}

bool ReadSelfTestScheduleForm(const SelfTestScheduleForm& form, SelfTestScheduleSettings& settings,
                              std::wstring& error) {
  SelfTestScheduleSettings read;
  read.enabled = form.enabled;
  if (!ReadDays(form.shortDays, L"short", read.shortEveryDays, error)) return false;
  if (!ReadDays(form.extendedDays, L"extended", read.extendedEveryDays, error)) return false;
  settings = read;
  return true;
}

std::wstring StoreSelfTestSchedule(const SelfTestScheduleForm& opened, const SelfTestScheduleSettings& chosen) {
  SelfTestScheduleSettings was;
  std::wstring ignored;
  ReadSelfTestScheduleForm(opened, was, ignored);
  std::vector<SideSettingChange> changes;
  if (chosen.enabled != was.enabled) changes.push_back({kTable, "enabled", SideValue{chosen.enabled}});
  if (chosen.shortEveryDays != was.shortEveryDays) {
    changes.push_back({kTable, "short-every-days", SideValue{static_cast<int64_t>(chosen.shortEveryDays)}});
  }
  if (chosen.extendedEveryDays != was.extendedEveryDays) {
    changes.push_back({kTable, "extended-every-days", SideValue{static_cast<int64_t>(chosen.extendedEveryDays)}});
  }
  std::string error;
  if (changes.empty() || ChangeSideSettings(changes, error)) return L"";
  return L"Can't store the self-test schedule: " + PathBytesToWide(error);
}

}  // namespace taruk
