// taruk --headless: run by taruk-headless (Qt Core for D-Bus's event loop,
// the sound libraries, libmicrohttpd), given the options already checked.
#include "cli/commands.h"
#include "cli/launcher/run_taruk_program.h"

namespace taruk {

int RunHeadless(const CommandLine& commandLine) {
  std::vector<std::string> arguments = {"taruk", "--headless"};
  if (commandLine.once) arguments.push_back("--once");
  for (const auto& [option, value] :
       {std::pair{"--replay", &commandLine.replayDir}, std::pair{"--metrics-listen", &commandLine.metricsListen},
        std::pair{"--metrics-file", &commandLine.metricsFile},
        std::pair{"--metrics-compat", &commandLine.metricsCompat}}) {
    if (value->empty()) continue;
    arguments.push_back(option);
    arguments.push_back(*value);
  }
  return RunTarukProgram("taruk-headless", arguments);
}

}  // namespace taruk
