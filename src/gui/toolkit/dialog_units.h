#pragma once
// Dialog units to pixels, by the dialog font's metrics: a horizontal unit is
// a quarter of the font's average character width, a vertical unit an eighth
// of its height. A layout in dialog units keeps its proportions at any font.
//
// The average is kept exact (the width of the 52 Latin letters) rather than
// rounded to whole pixels: the free fonts that stand in for the Windows
// dialog fonts run a little wider, and a rounded-down average would clip
// labels that were sized to fit.

#include <QFont>
#include <QRect>

namespace taruk {

struct DialogUnits {
  int alphabetWidth = 208;  // pixels taken by "A..Za..z"; 52 × the average width
  int fontHeight = 8;       // pixels; ascent + descent

  static DialogUnits ForFont(const QFont& font);

  // x = units × average width / 4 and y = units × height / 8, rounded to the
  // nearest pixel as the Windows dialog manager does.
  int X(int units) const;
  int Y(int units) const;
  QRect ToPixels(const QRect& units) const;
};

}  // namespace taruk
