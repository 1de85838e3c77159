#pragma once
// The handler that ListenForStopRequests gives SetConsoleCtrlHandler: Ctrl+C,
// Ctrl+Break and the console's close, log-off and shut-down notices raise the
// stop request. Declared for the tests, which deliver a notice as the system
// would (a console that Wine runs without a terminal cannot send one).

#include <windows.h>

namespace taruk {

// TRUE once a stop request is listened for (the notice is then handled).
BOOL WINAPI OnConsoleNotice(DWORD notice);

}  // namespace taruk
