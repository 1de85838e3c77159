#pragma once
// Parts of taruk whose libraries a monitor that runs all day should carry
// only when it uses them (the sound player, the metrics HTTP server) are
// modules beside the programs or in ../libexec/taruk, loaded at first use.

#include <string>

namespace taruk {

// `symbol` of module `name` (loaded once and kept), or null with a one-line
// `problem`.
void* TarukModuleSymbol(const char* name, const char* symbol, std::string& problem);

}  // namespace taruk
