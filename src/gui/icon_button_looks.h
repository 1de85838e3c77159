#pragma once
// The rules of the owner-drawn icon button, kept once for the Qt and the
// Win32 button: which face, text colour, frame and icon each state shows, and
// where the icon and the caption go. Each toolkit only draws them.

#include <cstdint>

namespace taruk {

// The colours an owner sets, by index.
enum IconButtonColor : uint8_t {
  ColorHotFace = 0,  // hovered or pressed
  ColorHotText,
  ColorNormalFace,
  ColorNormalText,
  ColorFocusFace,  // focused, neither hovered nor pressed
  ColorFocusText,
  ColorCount,
};

struct IconButtonState {
  bool hovering = false;
  bool pressed = false;
  bool focused = false;
};

// The pointer outranks the focus.
constexpr IconButtonColor FaceColour(IconButtonState state) {
  return state.hovering || state.pressed ? ColorHotFace : state.focused ? ColorFocusFace : ColorNormalFace;
}
constexpr IconButtonColor TextColour(IconButtonState state) {
  return state.hovering || state.pressed ? ColorHotText : state.focused ? ColorFocusText : ColorNormalText;
}

// A one-pixel frame shows only under the pointer: sunken while pressed.
enum class IconButtonFrame { None, Raised, Sunken };
constexpr IconButtonFrame FrameOf(IconButtonState state) {
  return state.pressed ? IconButtonFrame::Sunken : state.hovering ? IconButtonFrame::Raised : IconButtonFrame::None;
}

// The coloured icon while hovered or pressed; the normal (grey) one
// otherwise, when there is one.
constexpr bool ShowsHotIcon(IconButtonState state, bool hasNormalIcon) {
  return state.hovering || state.pressed || !hasNormalIcon;
}

// Where the icon's top left corner and the caption's left edge go, for a
// button at (x, y) of width × height. With a caption the icon stands a small
// margin from the left edge and the caption takes the rest; alone it is
// centred. A pressed button shows its icon and caption one pixel down and
// right.
struct IconButtonPlaces {
  int iconX = 0, iconY = 0;
  int captionLeft = 0;
  int shift = 0;  // added to both coordinates of the icon and the caption
};
constexpr int kIconButtonMargin = 3;
constexpr int kIconButtonPressedShift = 1;

constexpr IconButtonPlaces PlaceIconAndCaption(int x, int y, int width, int height, int iconWidth, int iconHeight,
                                               bool hasCaption, bool pressed) {
  IconButtonPlaces places;
  places.iconX = hasCaption ? x + kIconButtonMargin : x + (width - iconWidth) / 2;
  places.iconY = y + (height - iconHeight) / 2;
  places.captionLeft = hasCaption ? x + kIconButtonMargin + iconWidth : x;
  places.shift = pressed ? kIconButtonPressedShift : 0;
  return places;
}

}  // namespace taruk
