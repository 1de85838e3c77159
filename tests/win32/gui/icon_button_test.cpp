// CIconButton and its grey icon against Wine's real GDI and USER: the grey
// levels of the copy, the mask it keeps, and what the dialog manager sees of
// an owner-drawn default button. Runs inside the window tests' display.
#include <windows.h>

#include "gui/win32/icon_button.h"

#include <gtest/gtest.h>

#include <vector>

#include "gui/grey_level.h"
#include "gui/win32/about_dlg.h"

namespace taruk::win32 {
namespace {

struct Pixel {
  COLORREF source;
  int grey;  // the level the copy must hold
};

// Black (and the transparent area, which is black) stays black; white stays
// white; a grey of 254 falls to 253; pure red, green and blue weigh 76, 149
// and 29.
constexpr Pixel kPixels[] = {
    {RGB(0, 0, 0), 0},    {RGB(255, 255, 255), 255}, {RGB(254, 254, 254), 253},
    {RGB(255, 0, 0), 76}, {RGB(0, 255, 0), 149},     {RGB(0, 0, 255), 29},
};

TEST(IconButtonTest, GreyCopyHasTheWeightedLevelsAndTheSourceMask) {
  constexpr int kSize = 4;  // hot spot (2, 2)
  HDC screen = GetDC(nullptr);
  ASSERT_NE(screen, nullptr);
  HBITMAP colour = CreateCompatibleBitmap(screen, kSize, kSize);
  HBITMAP mask = CreateBitmap(kSize, kSize, 1, 1, nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, colour);
  for (int i = 0; i < kSize * kSize; ++i) {
    SetPixel(dc, i % kSize, i / kSize, kPixels[i % std::size(kPixels)].source);
  }
  SelectObject(dc, mask);
  PatBlt(dc, 0, 0, kSize, kSize, BLACKNESS);  // all opaque
  SetPixel(dc, 3, 3, RGB(255, 255, 255));     // one transparent corner
  SelectObject(dc, old);
  ICONINFO info{TRUE, kSize / 2, kSize / 2, mask, colour};
  HICON icon = CreateIconIndirect(&info);
  ASSERT_NE(icon, nullptr);

  HICON grey = MakeGreyIcon(icon);
  ASSERT_NE(grey, nullptr);
  ICONINFO made{};
  ASSERT_TRUE(GetIconInfo(grey, &made));
  EXPECT_EQ(made.xHotspot, 2u);
  SelectObject(dc, made.hbmColor);
  for (int i = 0; i < kSize * kSize; ++i) {
    const int g = kPixels[i % std::size(kPixels)].grey;
    EXPECT_EQ(GetPixel(dc, i % kSize, i / kSize), RGB(g, g, g)) << "pixel " << i;
  }
  SelectObject(dc, made.hbmMask);
  EXPECT_EQ(GetPixel(dc, 3, 3), RGB(255, 255, 255)) << "the transparent corner";
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0));
  SelectObject(dc, old);
  for (HGDIOBJ object : {static_cast<HGDIOBJ>(made.hbmColor), static_cast<HGDIOBJ>(made.hbmMask),
                         static_cast<HGDIOBJ>(colour), static_cast<HGDIOBJ>(mask)}) {
    DeleteObject(object);
  }
  DestroyIcon(grey);
  DestroyIcon(icon);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);

  for (const Pixel& pixel : kPixels) {
    EXPECT_EQ(GreyLevel(GetRValue(pixel.source), GetGValue(pixel.source), GetBValue(pixel.source)), pixel.grey);
  }
}

TEST(IconButtonTest, DefaultButtonStaysOwnerDrawnAndAnswersTheDialogManager) {
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(parent, nullptr) << "no display: " << GetLastError();
  HWND handle = CreateWindowExW(0, L"BUTTON", L"HD0", WS_CHILD | BS_DEFPUSHBUTTON, 0, 0, 100, 40, parent, nullptr,
                                nullptr, nullptr);
  {
    CIconButton button;
    ASSERT_TRUE(button.Subclass(handle));
    EXPECT_EQ(GetWindowLongW(handle, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_TRUE(SendMessageW(handle, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON);

    // The dialog manager moves the default look away: still owner-drawn.
    SendMessageW(handle, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    EXPECT_EQ(GetWindowLongW(handle, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    const LRESULT code = SendMessageW(handle, WM_GETDLGCODE, 0, 0);
    EXPECT_TRUE(code & DLGC_UNDEFPUSHBUTTON);
    EXPECT_FALSE(code & DLGC_DEFPUSHBUTTON);

    EXPECT_EQ(button.SetStateColor(ColorCount, RGB(1, 2, 3), false), 3);
    EXPECT_EQ(button.SetStateColor(ColorHotFace, RGB(1, 2, 3), false), 0);
    EXPECT_EQ(button.SetIcons(nullptr, nullptr), 0);
    EXPECT_EQ(CIconButton::FromHandle(handle), &button);
  }
  EXPECT_EQ(CIconButton::FromHandle(handle), nullptr) << "the button let go of the window";
  DestroyWindow(parent);
}

// A dialog whose OK button is an icon button with colours of its own, told
// of a change of the system colours as the system tells every top-level
// window (and no child).
class ColourChangeDialog : public CAboutDlg {
 public:
  CIconButton button;
  COLORREF before = CLR_INVALID;
  std::vector<COLORREF> after;

 protected:
  bool OnInitDialog() override {
    button.Subclass(Item(IDOK));
    for (uint8_t index = 0; index < ColorCount; ++index) button.SetStateColor(index, RGB(200, 0, 0), false);
    before = button.StateColor(ColorNormalFace);
    SendMessageW(window, WM_SYSCOLORCHANGE, 0, 0);
    for (uint8_t index = 0; index < ColorCount; ++index) after.push_back(button.StateColor(index));
    EndDialog(IDOK);
    return true;
  }
};

TEST(IconButtonTest, SystemColourChangeReachesTheButtonsOfADialog) {
  ColourChangeDialog dialog;
  ASSERT_EQ(dialog.DoModal(nullptr), IDOK) << "no display or no template: " << GetLastError();
  EXPECT_EQ(dialog.before, RGB(200, 0, 0));
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const COLORREF text = GetSysColor(COLOR_BTNTEXT);
  EXPECT_EQ(dialog.after, (std::vector<COLORREF>{face, text, face, text, face, text}));
}

}  // namespace
}  // namespace taruk::win32
