#pragma once
// `taruk` runs the monitor's two modes as programs of their own, so that its
// one-shot modes load no Qt, sound or D-Bus library: the window is
// taruk-window, --headless is taruk-headless, each found beside taruk or in
// ../libexec/taruk.

#include <string>
#include <vector>

namespace taruk {

// Replaces this process with program `name` given `arguments` (argv[0]
// included), its environment and open files kept; taruk's own path is left
// in TARUK_PROGRAM for it. Returns only when that fails: the exit code, after
// a line on stderr.
int RunTarukProgram(const char* name, const std::vector<std::string>& arguments);

}  // namespace taruk
