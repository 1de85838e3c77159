#pragma once
// "Run at startup" on Windows: the value "Taruk" under the machine-wide
// HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run, holding
// the executable's full path; for a user who may not write there, the same
// value under HKEY_CURRENT_USER. The same operations as the Linux entry
// (linux/autostart.h), so that the Options dialog can use either.

#include <functional>
#include <string>

#include "core/base/executable_path.h"  // RunningExecutablePath, what the value starts

namespace taruk {

// Whose Run key: every user's of the machine, or the current user's own.
enum class RunScope { Machine, User };

// True when a value "Taruk" exists under either Run key and can be read,
// whatever it holds and however long it is.
bool AutostartEntryExists();

// Sets the value under `scope`'s Run key to `executablePath` (UTF-8), quoted
// when it holds a space, without arguments. Returns 0, or the system's error
// code (ERROR_ACCESS_DENIED without the right to write the machine-wide key).
int WriteAutostartEntry(const std::string& executablePath, RunScope scope = RunScope::Machine);

// What OK does with the box ticked: the machine-wide value; when the system
// refuses it for want of rights, `offerUserValue` asks the user (with
// kUserRunOffer) whether to start Taruk for them alone, and on yes the
// user's own value is written. Returns 0 (also when the user said no), or the
// error to show. `write` is WriteAutostartEntry but in tests.
using RunValueWriter = std::function<int(const std::string& executablePath, RunScope scope)>;
int EnableRunAtStartup(const std::string& executablePath, const std::function<bool()>& offerUserValue,
                       const RunValueWriter& write = WriteAutostartEntry);

inline constexpr const wchar_t* kUserRunOfferTitle = L"Run at startup";
inline constexpr const wchar_t* kUserRunOffer =
    L"Taruk can start for every user of this computer only when an administrator sets it up "
    L"(or when Taruk runs as administrator).\n\n"
    L"Start Taruk when you log on, for you alone?";

// Deletes both values, as far as this user may. Nothing is reported: a
// missing value or a key that cannot be written are both fine here.
void RemoveAutostartEntry();

// The system's text for an error code, as UTF-8.
std::string SystemErrorText(int code);

}  // namespace taruk
