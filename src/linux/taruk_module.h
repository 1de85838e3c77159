#pragma once
// The modules' loader lives with the system calls (the Secret Service's
// module is loaded from there too).
#include "linux/system/taruk_modules.h"
