#include "core/base/machine_name.h"

#include <limits.h>
#include <unistd.h>

#include "core/base/path_text.h"

namespace taruk {

std::wstring MachineName() {
  // A name that fills the buffer comes back without its terminator.
  char name[HOST_NAME_MAX + 2] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  return PathBytesToWide(name);
}

}  // namespace taruk
