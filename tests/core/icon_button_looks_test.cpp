#include "gui/icon_button_looks.h"

#include <gtest/gtest.h>

namespace taruk {
namespace {

// Every state the two icon buttons paint: the pointer outranks the focus,
// and pressing outranks hovering for the frame.
TEST(IconButtonLooks, EachStateShowsItsFaceTextFrameAndIcon) {
  using F = IconButtonFrame;
  const struct {
    IconButtonState state;
    IconButtonColor face, text;
    IconButtonFrame frame;
    bool hotIcon;
  } cases[] = {
      {{false, false, false}, ColorNormalFace, ColorNormalText, F::None, false},
      {{false, false, true}, ColorFocusFace, ColorFocusText, F::None, false},
      {{true, false, true}, ColorHotFace, ColorHotText, F::Raised, true},
      {{false, true, false}, ColorHotFace, ColorHotText, F::Sunken, true},
      {{true, true, true}, ColorHotFace, ColorHotText, F::Sunken, true},
  };
  for (const auto& c : cases) {
    const auto& s = c.state;
    SCOPED_TRACE(testing::Message() << "hovering " << s.hovering << " pressed " << s.pressed << " focused "
                                    << s.focused);
    EXPECT_EQ(FaceColour(s), c.face);
    EXPECT_EQ(TextColour(s), c.text);
    EXPECT_EQ(FrameOf(s), c.frame);
    EXPECT_EQ(ShowsHotIcon(s, true), c.hotIcon);
    EXPECT_TRUE(ShowsHotIcon(s, false));  // without a grey copy the coloured icon shows
  }
}

// A 100 × 40 button at (10, 20) with a 32-pixel icon.
TEST(IconButtonLooks, TheIconStandsLeftOfTheCaptionOrCentredAlone) {
  const IconButtonPlaces beside = PlaceIconAndCaption(10, 20, 100, 40, 32, 32, true, false);
  EXPECT_EQ(beside.iconX, 13);
  EXPECT_EQ(beside.iconY, 24);
  EXPECT_EQ(beside.captionLeft, 45);
  EXPECT_EQ(beside.shift, 0);
  const IconButtonPlaces alone = PlaceIconAndCaption(10, 20, 100, 40, 32, 32, false, true);
  EXPECT_EQ(alone.iconX, 44);
  EXPECT_EQ(alone.iconY, 24);
  EXPECT_EQ(alone.shift, 1);
}

}  // namespace
}  // namespace taruk
