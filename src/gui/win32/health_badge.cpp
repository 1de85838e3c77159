#include "gui/win32/health_badge.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "core/view/health_look.h"
#include "gui/win32/colours.h"

namespace taruk::win32 {

void PaintHealthBadge(HDC dc, const RECT& icon, int width, int height, HealthVerdict verdict) {
  const std::optional<RgbColour> colour = HealthBadgeColour(verdict);
  if (!colour) return;
  const int size = HealthBadgeSize(width);
  const RECT circle{icon.left + width - size, icon.top + height - size, icon.left + width, icon.top + height};
  HBRUSH fill = CreateSolidBrush(ToColorRef(*colour));
  HPEN edge = CreatePen(PS_SOLID, 1, ToColorRef(palette::kWhite));
  HGDIOBJ oldBrush = SelectObject(dc, fill);
  HGDIOBJ oldPen = SelectObject(dc, edge);
  Ellipse(dc, circle.left, circle.top, circle.right, circle.bottom);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(edge);
  DeleteObject(fill);
  RECT mark = circle;
  const COLORREF oldText = SetTextColor(dc, ToColorRef(palette::kWhite));
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  DrawTextW(dc, L"!", 1, &mark, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SetBkMode(dc, oldMode);
  SetTextColor(dc, oldText);
}

namespace {

// A new icon of `size` pixels: `plain` (if any) with what `paint` draws
// over it, its transparent area kept.
HICON PaintedIconCopy(HICON plain, int size, const std::function<void(HDC, const RECT&)>& paint) {
  if (size <= 0) return nullptr;
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = size;
  format.bmiHeader.biHeight = -size;  // top row first
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP colour = CreateDIBSection(screen, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
  HICON badged = nullptr;
  if (colour && memory && mask && bits) {
    HGDIOBJ old = SelectObject(memory, colour);
    auto* pixels = static_cast<uint32_t*>(bits);
    const size_t count = static_cast<size_t>(size) * static_cast<size_t>(size);
    std::fill(pixels, pixels + count, 0u);
    if (plain) DrawIconEx(memory, 0, 0, plain, size, size, 0, nullptr, DI_NORMAL);
    GdiFlush();
    const std::vector<uint32_t> before(pixels, pixels + count);
    const RECT whole{0, 0, size, size};
    paint(memory, whole);
    GdiFlush();
    // GDI leaves the alpha byte of what it paints at 0: every pixel the
    // painting changed is made opaque, the rest keeps the icon's own alpha.
    for (size_t k = 0; k < count; ++k) {
      if (pixels[k] != before[k]) pixels[k] |= 0xFF000000u;
    }
    SelectObject(memory, old);
    // The alpha channel carries the shape; an all-opaque mask goes with it.
    std::vector<uint8_t> zeros(static_cast<size_t>((size + 15) / 16 * 2) * static_cast<size_t>(size), 0);
    SetBitmapBits(mask, static_cast<LONG>(zeros.size()), zeros.data());
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = colour;
    info.hbmMask = mask;
    badged = CreateIconIndirect(&info);
  }
  if (mask) DeleteObject(mask);
  if (memory) DeleteDC(memory);
  if (colour) DeleteObject(colour);
  return badged;
}

// The figure in white on a rounded square of the plan's colour.
void PaintTemperature(HDC dc, const RECT& whole, const TrayIconPlan& plan) {
  const int size = whole.right - whole.left;
  HBRUSH fill = CreateSolidBrush(ToColorRef(plan.background));
  HGDIOBJ oldBrush = SelectObject(dc, fill);
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
  RoundRect(dc, whole.left, whole.top, whole.right + 1, whole.bottom + 1, size * 2 / 5, size * 2 / 5);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(fill);
  HFONT font = CreateFontW(-TrayFigurePixelSize(size, plan.temperature.size()), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                           DEFAULT_PITCH | FF_SWISS, L"Segoe UI");
  HGDIOBJ oldFont = SelectObject(dc, font);
  const COLORREF oldText = SetTextColor(dc, ToColorRef(palette::kWhite));
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  RECT box = whole;
  DrawTextW(dc, plan.temperature.c_str(), static_cast<int>(plan.temperature.size()), &box,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SetBkMode(dc, oldMode);
  SetTextColor(dc, oldText);
  SelectObject(dc, oldFont);
  DeleteObject(font);
}

}  // namespace

HICON BadgedIconCopy(HICON plain, int size, HealthVerdict verdict) {
  if (!plain) return nullptr;
  return PaintedIconCopy(
      plain, size, [verdict, size](HDC dc, const RECT& whole) { PaintHealthBadge(dc, whole, size, size, verdict); });
}

HICON TemperatureIcon(int size, const TrayIconPlan& plan) {
  return PaintedIconCopy(nullptr, size, [&plan](HDC dc, const RECT& whole) { PaintTemperature(dc, whole, plan); });
}

}  // namespace taruk::win32
