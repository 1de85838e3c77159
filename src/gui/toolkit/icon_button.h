#pragma once
// CIconButton: a push button that paints itself. Its face colour follows its
// state (hovered or pressed, focused, normal), a one-pixel raised frame shows
// while the pointer is over it and a sunken one while it is pressed, and its
// icon stands left of the caption: a grey copy while the pointer is elsewhere,
// in colour while hovered or pressed.

#include <QColor>
#include <QImage>
#include <QPushButton>

#include <array>
#include <cstdint>

#include "gui/icon_button_looks.h"

namespace taruk {

// The normal icon handed to SetIcons: an image of its own (a null image for
// none), or a grey copy of the hot icon.
struct NormalIcon {
  QImage image;
  bool greyCopy = false;
};
inline const NormalIcon OutIconGrey{QImage(), true};

struct IconEntry {
  QImage icon;  // ARGB32, not premultiplied: the pixel values are the icon's own
  int width = 0;
  int height = 0;
};

// The grey copy: black stays black (it includes the transparent area); any
// other pixel becomes the level (0.587 G + 0.114 B) + 0.299 R, summed in
// double precision in that order and cut to a whole number. Transparency is
// kept. A null image when `icon` cannot be read.
QImage MakeGreyIcon(const QImage& icon);

class CIconButton : public QPushButton {
  Q_OBJECT
 public:
  explicit CIconButton(QWidget* parent = nullptr);

  // The hot icon from the program's icon resource at width × height, then
  // SetIcons with it and `normal`.
  void SetIconsFromResources(int hotIconId, int width, int height, const NormalIcon& normal);
  // 0 when set (a null hot icon leaves the button without an icon); 1 when an
  // icon cannot be used or its grey copy cannot be made: the button then has
  // no icon at all.
  int SetIcons(const QImage& hot, const NormalIcon& normal = {});
  // 3 for an index of 6 or more (nothing changes); otherwise 0.
  int SetStateColor(uint8_t index, const QColor& colour, bool repaint);

  QColor StateColor(IconButtonColor index) const { return colors[index]; }
  const IconEntry& Icon(int entry) const { return icons[entry]; }
  bool IsHovering() const { return hovering; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  // A quick second click is a second press, not a double click.
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;

  // The drawing steps, in the order the paint runs them.
  virtual void PaintFace(QPainter& painter, const QRect& rect);
  virtual void PaintFrame(QPainter& painter, const QRect& rect);
  virtual void PaintIcon(QPainter& painter, bool hasCaption, const QRect& itemRect, QRect& captionRect);
  virtual void PaintCaption(QPainter& painter, const QString& caption, QRect captionRect);

 private:
  void FreeIcons();
  void ResetColors();
  void CancelHover();
  IconButtonState State() const { return {hovering, pressed, focused}; }

  bool hovering = false;
  bool pressed = false;  // recomputed at each paint
  bool focused = false;  // recomputed at each paint
  std::array<QColor, ColorCount> colors;
  std::array<IconEntry, 2> icons;  // 0 hot, 1 normal
  qint64 systemPaletteKey = 0;     // the system colours the faces were reset from
};

}  // namespace taruk
