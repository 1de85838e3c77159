// taruk with no mode, in a build without the Qt windows (TARUK_QT=OFF): there
// is no window to open, so say so and name the mode that does run.
#include <cstdio>

#include "cli/commands.h"

namespace taruk {

int RunMonitorWindow(int, char**, const CommandLine&) {
  std::fprintf(stderr,
               "taruk: this taruk was built without windows; "
               "taruk --headless runs the monitor without a window\n");
  return 1;
}

}  // namespace taruk
