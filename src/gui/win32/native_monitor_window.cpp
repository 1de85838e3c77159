#include <windows.h>

#include "gui/win32/native_monitor_window.h"

#include <commctrl.h>

#include <cstdio>

#include "core/base/utf8_text.h"
#include "gui/win32/monitor_dlg.h"
#include "win32/system_error_text.h"

namespace taruk::win32 {

int RunNativeMonitorWindow(Monitor& monitor, WindowAlertPlatform& platform,
                           std::optional<std::wstring> demoDrivesReason) {
  // No critical-error or open-file boxes from the system: a drive or volume
  // that cannot be read is skipped silently.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
  InitCommonControlsEx(&controls);

  int result = 0;
  {
    CMonitorDlg window(monitor, std::move(demoDrivesReason));
    platform.SetWindow(&window);
    if (window.DoModal(nullptr) == -1) {
      const unsigned long error = GetLastError();
      std::fprintf(stderr,
                   "taruk: the window could not be opened (%s); "
                   "taruk --headless runs the monitor without a window\n",
                   ToUtf8(SystemErrorText(error)).c_str());
      result = 1;
    }
    platform.SetWindow(nullptr);
  }
  return result;
}

}  // namespace taruk::win32
