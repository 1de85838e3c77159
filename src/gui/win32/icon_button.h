#pragma once
// CIconButton: the owner-drawn push button of the main window. Its face
// colour follows its state (normal, hovered or pressed, focused), a thin
// raised or sunken border shows only while the pointer is over it or it is
// pressed, and an icon stands left of its caption: a grey copy while the
// pointer is elsewhere, in colour while hovered or pressed.
//
// Attached to a push button of a dialog template (Subclass), then given its
// icons and colours by the owner. The owner's dialog procedure reflects
// WM_DRAWITEM, WM_CTLCOLORBTN and BN_CLICKED to it (DialogWindow does).

#include <windows.h>

#include <array>
#include <cstdint>

#include "core/drive/drive_health.h"
#include "gui/icon_button_looks.h"

namespace taruk::win32 {

// The normal icon of SetIcons: a grey copy of the hot one.
inline const HICON OutIconGrey = reinterpret_cast<HICON>(static_cast<INT_PTR>(-2));

class CIconButton {
 public:
  CIconButton() = default;
  CIconButton(const CIconButton&) = delete;
  CIconButton& operator=(const CIconButton&) = delete;
  ~CIconButton();

  // Takes over the push button: it becomes owner-drawn, a default push
  // button keeps answering as one.
  bool Subclass(HWND button);
  HWND Handle() const { return button; }
  // The icon button behind a window, or null.
  static CIconButton* FromHandle(HWND window);

  void SetIconsFromResources(int hotId, int width, int height, HICON normal);
  // 0, or 1 when the system cannot describe an icon (the button then has
  // none). The icons belong to the button from here on.
  int SetIcons(HICON hot, HICON normal);
  // 0, or 3 for an index of ColorCount or more (nothing changes).
  int SetStateColor(uint8_t index, COLORREF color, bool repaint);
  // Back to the system's face and text colours on WM_SYSCOLORCHANGE.
  COLORREF StateColor(uint8_t index) const { return index < ColorCount ? colors[index] : CLR_INVALID; }
  // A round mark over the icon's lower right corner for a drive in caution
  // (amber) or bad health (red); other verdicts show none.
  void SetHealthBadge(HealthVerdict verdict);

  // Reflected from the owner.
  void DrawItem(const DRAWITEMSTRUCT& item);
  void OnClicked();

  bool Hovering() const { return hovering; }

 private:
  struct IconEntry {
    HICON icon = nullptr;
    int width = 0;
    int height = 0;
  };

  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR data);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnMouseMove(LPARAM lParam);
  void CancelHover();
  void ResetColors();
  void FreeIcons();
  void Repaint() const;
  IconButtonState State() const { return {hovering, pressed, focused}; }

  void PaintFace(HDC dc, const RECT& rect) const;
  void PaintFrame(HDC dc, const RECT& rect) const;
  void PaintIcon(HDC dc, bool hasCaption, const RECT& item, RECT& caption) const;
  void PaintCaption(HDC dc, const wchar_t* text, RECT caption) const;
  void PaintBadge(HDC dc, const RECT& icon, int width, int height) const;

  HWND button = nullptr;
  bool hovering = false;
  bool pressed = false;
  bool focused = false;
  bool isDefault = false;
  std::array<COLORREF, ColorCount> colors{};
  std::array<IconEntry, 2> icons{};
  HealthVerdict badge = HealthVerdict::Unknown;
};

// A grey copy of `icon` (black stays black, so its transparent area too),
// or null when the system cannot copy it. The caller owns the copy.
HICON MakeGreyIcon(HICON icon);

}  // namespace taruk::win32
