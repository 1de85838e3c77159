#include "gui/win32/dialog_window.h"

#include "core/view/window_texts.h"
#include "gui/win32/icon_button.h"

namespace taruk::win32 {

namespace {

void PassSysColorChange(HWND window, WPARAM wParam, LPARAM lParam) {
  struct Message {
    WPARAM wParam;
    LPARAM lParam;
  } message{wParam, lParam};
  EnumChildWindows(
      window,
      [](HWND child, LPARAM data) -> BOOL {
        const auto* passed = reinterpret_cast<const Message*>(data);
        SendMessageW(child, WM_SYSCOLORCHANGE, passed->wParam, passed->lParam);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&message));
}

}  // namespace

HINSTANCE ProgramInstance() { return GetModuleHandleW(nullptr); }

std::wstring ResourceString(int id) {
  // With a zero length, LoadStringW hands out a pointer into the resource
  // itself, so no text is cut to a buffer.
  const wchar_t* text = nullptr;
  const int length = LoadStringW(ProgramInstance(), static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 && text ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

INT_PTR DialogWindow::DoModal(HWND owner) {
  return DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(templateId), owner, &DialogWindow::DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

void DialogWindow::SetItemText(int id, const std::wstring& text) const { SetDlgItemTextW(window, id, text.c_str()); }

void DialogWindow::NameDriveInTitle(int driveIndex, const DriveSlot& slot) const {
  wchar_t caption[256] = L"";
  GetWindowTextW(window, caption, 256);
  SetWindowTextW(window, DriveWindowTitle(caption, driveIndex, slot).c_str());
}

std::wstring DialogWindow::ItemText(int id) const {
  HWND control = Item(id);
  if (!control) return {};
  const int length = GetWindowTextLengthW(control);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(control, text.data(), length + 1);
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return text;
}

void DialogWindow::ShowItem(int id, bool show) const {
  if (HWND control = Item(id)) ShowWindow(control, show ? SW_SHOW : SW_HIDE);
}

void DialogWindow::CentreOnWorkArea() const {
  // The templates place every dialog at the screen's corner, over the main
  // window; an owned dialog opens in the middle of the work area instead, as
  // the system's message boxes do. (Wine's X11 desktop also leaves a popup
  // that lies wholly inside its owner unpainted.)
  if (!GetWindow(window, GW_OWNER)) return;
  RECT work{};
  RECT own{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(window, &own);
  const int left = work.left + ((work.right - work.left) - (own.right - own.left)) / 2;
  const int top = work.top + ((work.bottom - work.top) - (own.bottom - own.top)) / 2;
  SetWindowPos(window, nullptr, left > work.left ? left : work.left, top > work.top ? top : work.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void DialogWindow::OnCommand(int id, int /*notification*/, HWND /*control*/) {
  if (id == IDOK || id == IDCANCEL) EndDialog(id);
}

bool DialogWindow::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

INT_PTR CALLBACK DialogWindow::DialogProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<DialogWindow*>(lParam);
    SetWindowLongPtrW(handle, DWLP_USER, lParam);
    self->window = handle;
    self->CentreOnWorkArea();
    return self->OnInitDialog() ? TRUE : FALSE;
  }
  auto* self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(handle, DWLP_USER));
  if (!self) return FALSE;
  return self->Route(message, wParam, lParam);
}

INT_PTR DialogWindow::Route(UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = 0;
  switch (message) {
    case WM_DRAWITEM: {
      // Reflected to an owner-drawn icon button, which paints itself.
      auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (CIconButton* button = CIconButton::FromHandle(item->hwndItem)) {
        button->DrawItem(*item);
        return TRUE;
      }
      break;
    }
    case WM_SYSCOLORCHANGE:
      // Only top-level windows hear of it: the icon buttons (and the common
      // controls) take their system colours afresh when told.
      PassSysColorChange(window, wParam, lParam);
      break;
    case WM_CTLCOLORBTN:
      // An icon button paints its whole face: nothing is erased behind it.
      if (CIconButton::FromHandle(reinterpret_cast<HWND>(lParam))) {
        return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
      }
      break;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int notification = HIWORD(wParam);
      auto* control = reinterpret_cast<HWND>(lParam);
      if (notification == BN_CLICKED) {
        // The icon button takes the focus, then the owner's handler runs.
        if (CIconButton* button = CIconButton::FromHandle(control)) button->OnClicked();
      }
      OnCommand(id, notification, control);
      return TRUE;
    }
    default:
      break;
  }
  if (OnMessage(message, wParam, lParam, result)) {
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORDLG || message == WM_CTLCOLORBTN ||
                   message == WM_CTLCOLOREDIT || message == WM_QUERYDRAGICON
               ? result
               : TRUE;
  }
  return FALSE;
}

}  // namespace taruk::win32
