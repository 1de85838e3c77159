#pragma once
// The name this machine goes by, for texts that must say where something
// happened: an administrator who gets the alarm e-mails of twenty machines
// has to tell them apart.

#include <string>

namespace taruk {

// The host name (Linux: gethostname; Windows: the DNS host name, without the
// domain); empty when the system has none to give.
std::wstring MachineName();

}  // namespace taruk
