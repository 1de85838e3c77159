#pragma once
// "Run at startup" on Windows: the value "Taruk" under the machine-wide
// HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run, holding
// the executable's full path; for a user who may not write there, the same
// value under HKEY_CURRENT_USER. What the Options dialog calls is declared in
// core/monitor/run_at_startup.h; here are the Windows details.

#include <functional>
#include <string>

#include "core/monitor/run_at_startup.h"

namespace taruk {

// Whose Run key: every user's of the machine, or the current user's own.
enum class RunScope { Machine, User };

// AutostartEntryExists: a value "Taruk" exists under either Run key and can
// be read, whatever it holds and however long it is.

// Sets the value under `scope`'s Run key to `executablePath` (UTF-8), quoted
// when it holds a space, without arguments. Returns 0, or the system's error
// code (ERROR_ACCESS_DENIED without the right to write the machine-wide key).
int WriteAutostartEntry(const std::string& executablePath, RunScope scope = RunScope::Machine);

// EnableRunAtStartup writes the machine-wide value; when the system refuses
// it for want of rights, `offerUserValue` asks the user (with kUserRunOffer)
// whether to start Taruk for them alone, and on yes the user's own value is
// written. This form takes the writer, for tests.
using RunValueWriter = std::function<int(const std::string& executablePath, RunScope scope)>;
int EnableRunAtStartup(const std::string& executablePath, const std::function<bool()>& offerUserValue,
                       const RunValueWriter& write);

inline constexpr const wchar_t* kUserRunOfferTitle = L"Run at startup";
inline constexpr const wchar_t* kUserRunOffer =
    L"Taruk can start for every user of this computer only when an administrator sets it up "
    L"(or when Taruk runs as administrator).\n\n"
    L"Start Taruk when you log on, for you alone?";

// RemoveAutostartEntry deletes both values, as far as this user may.

}  // namespace taruk
