// Looks at taruk.exe's windows from another process, for the window tests:
// where a control is on the screen (so that xdotool clicks it wherever the
// template put it), what it says and whether it shows.
//
//   window_probe wait TITLE SECONDS        a shown top-level window so titled appears
//   window_probe gone TITLE SECONDS        no window so titled is left
//   window_probe rect TITLE [ID]           "left top width height" on the screen
//   window_probe text TITLE ID             the control's text
//   window_probe visible TITLE ID          1 or 0
//   window_probe checked TITLE ID          1 or 0 (a check box or radio button)
//   window_probe has-text TITLE TEXT       a child window says exactly TEXT
//   window_probe post TITLE MESSAGE WPARAM LPARAM   posts a message to the window
//
// With WINDOW_PROBE_DESKTOP=NAME it looks on that desktop (a Wine virtual
// desktop started with explorer /desktop=NAME), not on the default one.
//
// Exit status 0 when the window (and control) was found, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

HWND FindShown(const wchar_t* title) {
  HWND found = nullptr;
  while ((found = FindWindowExW(nullptr, found, nullptr, title)) != nullptr) {
    if (IsWindowVisible(found)) return found;
  }
  return nullptr;
}

std::wstring TextOf(HWND window) {
  wchar_t text[1024] = L"";
  // WM_GETTEXT is carried across processes with its buffer.
  SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                      nullptr);
  return text;
}

void PrintUtf8(const std::wstring& text) {
  char bytes[4096] = "";
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, bytes, sizeof bytes, nullptr, nullptr);
  std::printf("%s\n", bytes);
}

struct Search {
  const wchar_t* text;
  bool found;
};

BOOL CALLBACK MatchText(HWND child, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  if (TextOf(child) == search->text) search->found = true;
  return !search->found;
}

bool WaitFor(const wchar_t* title, int seconds, bool present) {
  for (int tenths = 0; tenths <= seconds * 10; ++tenths) {
    if ((FindShown(title) != nullptr) == present) return true;
    Sleep(100);
  }
  return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: window_probe wait|gone|rect|text|visible|has-text TITLE [ARG]\n");
    return 2;
  }
  if (const wchar_t* desktopName = _wgetenv(L"WINDOW_PROBE_DESKTOP")) {
    // A desktop that is still being made is waited for as its window is.
    const int seconds = std::wstring(argv[1]) == L"wait" && argc > 3 ? _wtoi(argv[3]) : 0;
    HDESK desktop = nullptr;
    for (int tenths = 0; !desktop && tenths <= seconds * 10; ++tenths) {
      desktop = OpenDesktopW(desktopName, 0, FALSE, GENERIC_ALL);
      if (!desktop) Sleep(100);
    }
    if (!desktop || !SetThreadDesktop(desktop)) {
      std::fwprintf(stderr, L"window_probe: no desktop \"%ls\"\n", desktopName);
      return 1;
    }
  }
  const std::wstring command = argv[1];
  const wchar_t* title = argv[2];
  if (command == L"wait" || command == L"gone") {
    return WaitFor(title, argc > 3 ? _wtoi(argv[3]) : 10, command == L"wait") ? 0 : 1;
  }
  HWND window = FindShown(title);
  if (!window) {
    std::fwprintf(stderr, L"window_probe: no shown window titled \"%ls\"\n", title);
    return 1;
  }
  if (command == L"has-text" && argc > 3) {
    Search search{argv[3], false};
    EnumChildWindows(window, MatchText, reinterpret_cast<LPARAM>(&search));
    return search.found ? 0 : 1;
  }
  if (command == L"post" && argc > 5) {
    const auto number = [](const wchar_t* text) { return std::wcstoull(text, nullptr, 0); };
    return PostMessageW(window, static_cast<UINT>(number(argv[3])), static_cast<WPARAM>(number(argv[4])),
                        static_cast<LPARAM>(number(argv[5])))
               ? 0
               : 1;
  }
  HWND target = window;
  if (argc > 3) {
    target = GetDlgItem(window, _wtoi(argv[3]));
    if (!target) {
      std::fwprintf(stderr, L"window_probe: \"%ls\" has no control %ls\n", title, argv[3]);
      return 1;
    }
  }
  if (command == L"rect") {
    RECT rect{};
    GetWindowRect(target, &rect);
    std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    return 0;
  }
  if (command == L"text") {
    PrintUtf8(TextOf(target));
    return 0;
  }
  if (command == L"checked") {
    DWORD_PTR state = 0;
    SendMessageTimeoutW(target, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state);
    std::printf("%d\n", state == BST_CHECKED ? 1 : 0);
    return 0;
  }
  if (command == L"visible") {
    std::printf("%d\n", IsWindowVisible(target) ? 1 : 0);
    return 0;
  }
  std::fwprintf(stderr, L"window_probe: unknown command %ls\n", command.c_str());
  return 2;
}
