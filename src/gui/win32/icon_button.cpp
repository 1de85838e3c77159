#include "gui/win32/icon_button.h"

#include <commctrl.h>

#include <iterator>

#include "gui/grey_level.h"
#include "gui/win32/health_badge.h"

namespace taruk::win32 {

namespace {

constexpr UINT_PTR kSubclassId = 0x1C0B;
const wchar_t* const kButtonProperty = L"Taruk.CIconButton";

// An icon's hot spot is its centre: twice it is the icon's size.
bool MeasureIcon(HICON icon, int& width, int& height) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return false;
  width = 2 * static_cast<int>(info.xHotspot);
  height = 2 * static_cast<int>(info.yHotspot);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return true;
}

// Solid one-pixel bars: top and left in `topLeft`, right and bottom just
// inside the exclusive bounds in `bottomRight`.
void TwoColourOutline(HDC dc, const RECT& rect, COLORREF topLeft, COLORREF bottomRight) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  auto bar = [dc](int x, int y, int cx, int cy, COLORREF colour) {
    const COLORREF old = SetBkColor(dc, colour);
    const RECT bar{x, y, x + cx, y + cy};
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &bar, nullptr, 0, nullptr);
    SetBkColor(dc, old);
  };
  bar(rect.left, rect.top, width - 1, 1, topLeft);
  bar(rect.left, rect.top, 1, height - 1, topLeft);
  bar(rect.right - 1, rect.top, 1, height, bottomRight);
  bar(rect.left, rect.bottom - 1, width, 1, bottomRight);
}

}  // namespace

HICON MakeGreyIcon(HICON icon) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return nullptr;
  HICON grey = nullptr;
  HDC screen = GetDC(nullptr);
  HDC source = screen ? CreateCompatibleDC(screen) : nullptr;
  HDC target = screen ? CreateCompatibleDC(screen) : nullptr;
  BITMAP format{};
  if (source && target && info.hbmColor && GetObjectW(info.hbmColor, sizeof format, &format)) {
    const int width = 2 * static_cast<int>(info.xHotspot);
    const int height = 2 * static_cast<int>(info.yHotspot);
    HBITMAP copy = CreateBitmap(width, height, format.bmPlanes, format.bmBitsPixel, nullptr);
    if (copy) {
      HGDIOBJ oldSource = SelectObject(source, info.hbmColor);
      HGDIOBJ oldTarget = SelectObject(target, copy);
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          const COLORREF pixel = GetPixel(source, x, y);
          COLORREF value = 0;
          if (pixel != 0 && pixel != CLR_INVALID) {
            const int g = GreyLevel(GetRValue(pixel), GetGValue(pixel), GetBValue(pixel));
            value = RGB(g, g, g);
          }
          SetPixel(target, x, y, value);
        }
      }
      SelectObject(source, oldSource);
      SelectObject(target, oldTarget);
      ICONINFO made{};
      made.fIcon = TRUE;
      made.hbmColor = copy;
      made.hbmMask = info.hbmMask;
      grey = CreateIconIndirect(&made);
      DeleteObject(copy);
    }
  }
  if (target) DeleteDC(target);
  if (source) DeleteDC(source);
  if (screen) ReleaseDC(nullptr, screen);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return grey;
}

CIconButton::~CIconButton() {
  FreeIcons();
  if (button && IsWindow(button)) {
    RemoveWindowSubclass(button, &CIconButton::SubclassProc, kSubclassId);
    RemovePropW(button, kButtonProperty);
  }
}

CIconButton* CIconButton::FromHandle(HWND window) {
  return window ? static_cast<CIconButton*>(GetPropW(window, kButtonProperty)) : nullptr;
}

bool CIconButton::Subclass(HWND handle) {
  if (!handle || button) return false;
  button = handle;
  ResetColors();
  SetPropW(button, kButtonProperty, this);
  // PreSubclassWindow: a default push button stays one for the dialog
  // manager; the type becomes owner-drawn.
  LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
  if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) isDefault = true;
  style = (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW;
  SetWindowLongPtrW(button, GWL_STYLE, style);
  SetWindowPos(button, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  return SetWindowSubclass(button, &CIconButton::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

void CIconButton::ResetColors() {
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const COLORREF text = GetSysColor(COLOR_BTNTEXT);
  colors = {face, text, face, text, face, text};
}

void CIconButton::FreeIcons() {
  for (IconEntry& entry : icons) {
    if (entry.icon) DestroyIcon(entry.icon);
    entry = IconEntry{};
  }
}

void CIconButton::Repaint() const {
  if (button) InvalidateRect(button, nullptr, TRUE);
}

void CIconButton::SetIconsFromResources(int hotId, int width, int height, HICON normal) {
  auto* hot = static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(hotId), IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
  SetIcons(hot, normal);
}

int CIconButton::SetIcons(HICON hot, HICON normal) {
  FreeIcons();
  if (!hot) {
    Repaint();
    return 0;
  }
  icons[0].icon = hot;
  if (!MeasureIcon(hot, icons[0].width, icons[0].height)) {
    FreeIcons();
    return 1;
  }
  if (normal == OutIconGrey) {
    icons[1].icon = MakeGreyIcon(hot);
    if (!icons[1].icon || !MeasureIcon(icons[1].icon, icons[1].width, icons[1].height)) {
      FreeIcons();
      return 1;
    }
  }
  Repaint();
  return 0;
}

int CIconButton::SetStateColor(uint8_t index, COLORREF color, bool repaint) {
  if (index >= ColorCount) return 3;
  colors[index] = color;
  if (repaint) Repaint();
  return 0;
}

void CIconButton::SetHealthBadge(HealthVerdict verdict) {
  if (verdict == badge) return;
  badge = verdict;
  Repaint();
}

void CIconButton::OnClicked() {
  if (button) SetFocus(button);
}

void CIconButton::CancelHover() {
  if (!hovering) return;
  hovering = false;
  Repaint();
}

void CIconButton::OnMouseMove(LPARAM lParam) {
  POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  ClientToScreen(button, &point);
  HWND under = WindowFromPoint(point);
  // A drag that began elsewhere does not light the button.
  if (GetKeyState(VK_LBUTTON) < 0 && !hovering) return;
  if (under == button) {
    if (hovering) return;
    hovering = true;
    Repaint();
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = button;
    _TrackMouseEvent(&track);
  } else {
    CancelHover();
  }
}

LRESULT CALLBACK CIconButton::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR data) {
  auto* self = reinterpret_cast<CIconButton*>(data);
  if (!self || self->button != window) return DefSubclassProc(window, message, wParam, lParam);
  return self->HandleMessage(message, wParam, lParam);
}

LRESULT CIconButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KILLFOCUS: {
      const LRESULT result = DefSubclassProc(button, message, wParam, lParam);
      CancelHover();
      return result;
    }
    case WM_MOUSEMOVE: {
      const LRESULT result = DefSubclassProc(button, message, wParam, lParam);
      OnMouseMove(lParam);
      return result;
    }
    case WM_SYSCOLORCHANGE: {
      const LRESULT result = DefSubclassProc(button, message, wParam, lParam);
      ResetColors();
      Repaint();
      return result;
    }
    case WM_ACTIVATE:
    case WM_CANCELMODE: {
      const LRESULT result = DefSubclassProc(button, message, wParam, lParam);
      if (message == WM_CANCELMODE || LOWORD(wParam) == WA_INACTIVE) CancelHover();
      return result;
    }
    case WM_GETDLGCODE:
      return DefSubclassProc(button, message, wParam, lParam) | (isDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case BM_SETSTYLE: {
      // The dialog manager moves the default-button look around; the button
      // stays owner-drawn and remembers what it was told.
      const UINT type = static_cast<UINT>(wParam) & BS_TYPEMASK;
      if (type == BS_DEFPUSHBUTTON) isDefault = true;
      if (type == BS_PUSHBUTTON) isDefault = false;
      const WPARAM style = (wParam & ~static_cast<WPARAM>(0x14)) | BS_OWNERDRAW;
      return DefSubclassProc(button, message, style, lParam);
    }
    case WM_MOUSELEAVE:
      CancelHover();
      return 0;
    case WM_LBUTTONDBLCLK:
      // A quick second click is a second press.
      return DefSubclassProc(button, WM_LBUTTONDOWN, wParam, lParam);
    case WM_NCDESTROY: {
      const LRESULT result = DefSubclassProc(button, message, wParam, lParam);
      RemoveWindowSubclass(button, &CIconButton::SubclassProc, kSubclassId);
      RemovePropW(button, kButtonProperty);
      button = nullptr;
      return result;
    }
    default:
      return DefSubclassProc(button, message, wParam, lParam);
  }
}

void CIconButton::DrawItem(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  pressed = (item.itemState & ODS_SELECTED) != 0;
  focused = (item.itemState & ODS_FOCUS) != 0;
  RECT rect = item.rcItem;
  SetBkMode(dc, TRANSPARENT);
  PaintFace(dc, rect);
  PaintFrame(dc, rect);

  wchar_t caption[256] = L"";
  GetWindowTextW(button, caption, static_cast<int>(std::size(caption)));
  RECT captionRect = item.rcItem;
  if (icons[0].icon) PaintIcon(dc, caption[0] != L'\0', item.rcItem, captionRect);
  if (caption[0] != L'\0') PaintCaption(dc, caption, captionRect);
}

void CIconButton::PaintFace(HDC dc, const RECT& rect) const {
  HBRUSH brush = CreateSolidBrush(colors[FaceColour(State())]);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

void CIconButton::PaintFrame(HDC dc, const RECT& rect) const {
  switch (FrameOf(State())) {
    case IconButtonFrame::Sunken:
      TwoColourOutline(dc, rect, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
      break;
    case IconButtonFrame::Raised:
      TwoColourOutline(dc, rect, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW));
      break;
    case IconButtonFrame::None:
      break;
  }
}

void CIconButton::PaintIcon(HDC dc, bool hasCaption, const RECT& item, RECT& caption) const {
  const IconEntry& entry = ShowsHotIcon(State(), icons[1].icon != nullptr) ? icons[0] : icons[1];
  const IconButtonPlaces places =
      PlaceIconAndCaption(item.left, item.top, item.right - item.left, item.bottom - item.top, entry.width,
                          entry.height, hasCaption, pressed);
  caption.left = places.captionLeft;
  const int x = places.iconX + places.shift;
  const int y = places.iconY + places.shift;
  const RECT icon{x, y, x + entry.width, y + entry.height};
  DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(entry.icon), 0, icon.left, icon.top, entry.width,
             entry.height, DST_ICON | DSS_NORMAL);
  PaintBadge(dc, icon, entry.width, entry.height);
}

void CIconButton::PaintBadge(HDC dc, const RECT& icon, int width, int height) const {
  PaintHealthBadge(dc, icon, width, height, badge);
}

void CIconButton::PaintCaption(HDC dc, const wchar_t* text, RECT caption) const {
  if (pressed) OffsetRect(&caption, kIconButtonPressedShift, kIconButtonPressedShift);
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(GetParent(button), WM_GETFONT, 0, 0)));
  RECT measured = caption;
  DrawTextW(dc, text, -1, &measured, DT_WORDBREAK | DT_CENTER | DT_CALCRECT);
  OffsetRect(&measured, ((caption.right - caption.left) - (measured.right - measured.left)) / 2,
             ((caption.bottom - caption.top) - (measured.bottom - measured.top)) / 2);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colors[TextColour(State())]);
  SetBkColor(dc, colors[FaceColour(State())]);
  DrawTextW(dc, text, -1, &measured, DT_WORDBREAK | DT_CENTER);
  SelectObject(dc, oldFont);
}

}  // namespace taruk::win32
