#include "core/base/local_time.h"

namespace taruk {

bool ToLocalTime(std::time_t when, std::tm& local) { return localtime_s(&local, &when) == 0; }

}  // namespace taruk
