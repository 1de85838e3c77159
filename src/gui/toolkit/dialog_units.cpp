#include "gui/toolkit/dialog_units.h"

#include <QFontMetrics>

namespace taruk {

namespace {

// a * b / c rounded to the nearest whole number (all operands non-negative
// in practice; negative ones round away from zero like MulDiv).
int MulDiv(int a, int b, int c) {
  const long long product = static_cast<long long>(a) * b;
  const long long half = c / 2;
  return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

DialogUnits DialogUnits::ForFont(const QFont& font) {
  const QFontMetrics metrics(font);
  // Not QFontMetrics::averageCharWidth(): the font's own average weighs in
  // digits and punctuation, while dialog layouts were sized against the
  // average Latin letter.
  DialogUnits units;
  units.alphabetWidth =
      qMax(52, metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")));
  units.fontHeight = qMax(1, metrics.height());
  return units;
}

int DialogUnits::X(int units) const { return MulDiv(units, alphabetWidth, 52 * 4); }

int DialogUnits::Y(int units) const { return MulDiv(units, fontHeight, 8); }

QRect DialogUnits::ToPixels(const QRect& units) const {
  return QRect(X(units.x()), Y(units.y()), X(units.width()), Y(units.height()));
}

}  // namespace taruk
