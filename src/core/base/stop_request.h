#pragma once

namespace taruk {

// A request to stop the program, as a descriptor that turns readable when it
// comes (the headless monitor's signalfd for SIGTERM, SIGINT and SIGHUP).
// Every wait that could hold the program for long polls it beside what it
// waits for, so that a stop ends the wait at once. -1 stands for none.

// True once the request has come. Never blocks.
bool StopRequested(int stopFd);

}  // namespace taruk
