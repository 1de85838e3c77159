#pragma once
// Parts of taruk whose libraries a monitor that runs all day should carry
// only when it uses them (the sound player, the metrics HTTP server, D-Bus,
// the Secret Service) are modules beside the programs or in
// ../libexec/taruk, loaded at first use.

#include <string>

namespace taruk {

// One of taruk's files beside `executable` (taruk's own path; /proc/self/exe
// when empty) or in ../libexec/taruk relative to it, that access(2) grants
// `mode` (R_OK for a module); empty when neither holds one.
std::string FindTarukFile(const char* name, int mode, const std::string& executable = {});

// `symbol` of module `name` (loaded once and kept), or null with a one-line
// `error`.
void* TarukModuleSymbol(const char* name, const char* symbol, std::string& error);

}  // namespace taruk
