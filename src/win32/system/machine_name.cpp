#include <windows.h>

#include "core/base/machine_name.h"

namespace taruk {

std::wstring MachineName() {
  // The DNS host name is what an administrator knows the machine by; the
  // NetBIOS name is cut to 15 characters and upper case.
  DWORD size = 0;
  GetComputerNameExW(ComputerNameDnsHostname, nullptr, &size);
  if (size == 0) return {};
  std::wstring name(size, L'\0');
  if (!GetComputerNameExW(ComputerNameDnsHostname, name.data(), &size)) return {};
  name.resize(size);
  return name;
}

}  // namespace taruk
